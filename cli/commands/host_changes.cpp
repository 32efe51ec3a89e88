#include "host_changes.h"

#include "cli_errors.h"
#include "field_options.h"
#include "host_reads.h"
#include "lookup.h"
#include "model/ascii.h"
#include "model/input_rules.h"
#include "openssh/effect_check.h"
#include "openssh/ignored_change.h"
#include "openssh/ssh_command.h"
#include "session.h"
#include "stores/vault_rules.h"

#include <algorithm>
#include <utility>

namespace moorkeep::cli::hostchanges {

namespace {

// What the host dialog refuses to save. An alias that is new, or changed,
// must name one host; one already in the file may stay as it is.
void checkHost(const SSHHost& host, const std::vector<SSHHost>& hosts,
               const std::optional<std::string>& editedId,
               const std::optional<std::string>& previousAlias) {
    if (host.alias.empty())
        throw RefusedInput("the alias must not be empty");
    if (host.alias != previousAlias && !InputRules::isValidAlias(host.alias))
        throw RefusedInput(std::string(InputRules::aliasRuleMessage));
    if (host.hostname.empty())
        throw RefusedInput("the host name must not be empty");
    if (InputRules::isDuplicateAlias(hosts, host.alias, editedId))
        throw RefusedInput("A host with this alias already exists.");
}

// Without files, an option the Host * defaults set is not the block's own.
void refuseInheritedDefault(const SSHHost& host, const Defaults& defaults,
                            const std::string& option) {
    auto inherited =
        std::find_if(defaults.extraOptions.begin(), defaults.extraOptions.end(),
                     [&](const auto& entry) { return equalsIgnoringCase(entry.first, option); });
    if (inherited != defaults.extraOptions.end())
        throw RefusedInput(inherited->first + " comes from the Host * defaults, not from " +
                           "the block of " + host.alias);
}

// Removing an option that the host's own block does not set would change
// nothing, so the user hears where OpenSSH takes it from instead.
void refuseUnsetNotOwn(Session& session, const SSHHost& host, const Defaults& defaults,
                       const FieldChanges& changes) {
    if (host.source != HostSource::config)
        return;
    VaultStore& store = session.store();
    const auto files = store.storeFiles();
    std::optional<HostEvaluation> evaluation;
    for (const auto& change : changes.options) {
        if (change.value)
            continue;
        if (!files) {
            refuseInheritedDefault(host, defaults, change.name);
            continue;
        }
        if (!evaluation)
            evaluation = store.evaluator()->evaluate(SSHCommand::destinationPattern(host.alias),
                                                     store.localUser());
        const std::string keyword = asciiLower(change.name);
        const auto own = [&](const auto& line) { return line.keyword == keyword; };
        if (std::any_of(evaluation->shadowed.begin(), evaluation->shadowed.end(), own))
            continue;
        for (const auto& value : evaluation->effective) {
            if (value.keyword != keyword || value.own)
                continue;
            throw RefusedInput(change.name + " comes from " + files->displayPath(value.place.file) +
                               " line " + std::to_string(value.place.line) +
                               ", not from the block of " + host.alias + "; change it there" +
                               (value.place.file == files->configPath
                                    ? " (for the Host * defaults: 'moorkeepctl defaults set "
                                      "--unset-option " +
                                          change.name + "')"
                                    : ""));
        }
    }
}

// A duplicate alias refused with the Host line that names it, where there is
// one. The store refuses an alias that only a line of several names names.
void refuseNamedAlias(Session& session, const std::string& alias) {
    const auto files = session.store().storeFiles();
    if (!files)
        return;
    const std::string name = SSHCommand::destinationPattern(alias);
    if (auto line = EffectCheck::namingLine(session.store().evaluator()->document(), name))
        throw RefusedInput(
            "A host with this alias already exists: " + files->displayPath(line->place.file) +
            " line " + std::to_string(line->place.line) + " (" + line->text + ") names " + name);
}

// Saved with the lists of the snapshot the host was found in.
SSHHost save(Session& session, const VaultData& data, const SSHHost& host) {
    return VaultRules::saveHost(session.store(), host,
                                VaultRules::originalAlias(data.hosts, host.id),
                                VaultRules::keyIdToPath(data.keys));
}

// "FILE:N" of --before-line.
std::pair<std::string, std::size_t> fileAndLine(const std::string& text) {
    const auto colon = text.rfind(':');
    const auto line = colon == std::string::npos
                          ? std::nullopt
                          : InputRules::parseInteger(std::string_view(text).substr(colon + 1));
    if (!line || *line < 1)
        throw UsageError("--before-line takes FILE:N, a file and a line number", "host move");
    return {text.substr(0, colon), static_cast<std::size_t>(*line)};
}

// The command that moves the block above the one that wins, when one does.
std::string wayOut(Session& session, const std::string& alias,
                   const IgnoredChange::Winner& winner) {
    const auto files = session.store().storeFiles();
    if (!winner.movable || !files)
        return "";
    std::string command = "moorkeepctl";
    if (session.options().home)
        command += " --home " + SSHCommand::shellQuoted(*session.options().home);
    return "\nTo make it take effect, move the block first, then run this again:\n  " + command +
           " host move " + SSHCommand::shellQuoted(alias) + " --before-line " +
           SSHCommand::shellQuoted(files->displayPath(winner.file) + ":" +
                                   std::to_string(winner.line));
}

} // namespace

int add(Session& session, const ParsedArguments& args) {
    auto hostname = args.value("--hostname");
    if (!hostname)
        throw UsageError("missing --hostname", "host add");
    session.beginChange(SSHCommand::destinationPattern(args.positionals[0]));
    const VaultData& data = session.data();
    FieldChanges changes = readFieldChanges(args, data.keys, FieldTarget::host, "host add");
    // A new host as the host dialog builds it: empty id, source user.
    SSHHost host;
    host.id = "";
    host.alias = args.positionals[0];
    host.hostname = *hostname;
    host.source = HostSource::user;
    applyFieldChanges(host, changes);
    if (InputRules::isDuplicateAlias(data.hosts, host.alias, std::nullopt))
        refuseNamedAlias(session, host.alias);
    checkHost(host, data.hosts, std::nullopt, std::nullopt);
    save(session, data, host);
    return 0;
}

int edit(Session& session, const ParsedArguments& args) {
    // Most hosts are found by their alias, which is what OpenSSH checks the
    // change for.
    session.beginChange(
        SSHCommand::destinationPattern(args.value("--alias").value_or(args.positionals[0])));
    const VaultData& data =
        hostreads::dataToFind(session, args.positionals[0], args.value("--alias"));
    SSHHost host = findHost(data.hosts, args.positionals[0]);
    const std::string previousAlias = host.alias;
    FieldChanges changes = readFieldChanges(args, data.keys, FieldTarget::host, "host edit");
    if (auto alias = args.value("--alias"))
        host.alias = *alias;
    if (auto hostname = args.value("--hostname"))
        host.hostname = *hostname;
    refuseUnsetNotOwn(session, host, data.defaults, changes);
    applyFieldChanges(host, changes);
    checkHost(host, data.hosts, host.id, previousAlias);
    try {
        save(session, data, host);
    } catch (const IgnoredChange& ignored) {
        throw FileError(ignored.what() + wayOut(session, previousAlias, ignored.winner()));
    }
    return 0;
}

int move(Session& session, const ParsedArguments& args) {
    auto before = args.value("--before-line");
    if (!before)
        throw UsageError("missing --before-line", "host move");
    const auto [file, line] = fileAndLine(*before);
    if (!session.store().storeFiles())
        throw RefusedInput("the demo data has no configuration file to move blocks in");
    session.beginChange();
    // An unknown host is refused like everywhere else, before the store looks.
    session.store().moveHostBlock(findHost(session.data().hosts, args.positionals[0]).alias, file,
                                  line);
    return 0;
}

int remove(Session& session, const ParsedArguments& args) {
    session.beginChange();
    const VaultData& data = session.data();
    const SSHHost& host = findHost(data.hosts, args.positionals[0]);
    VaultRules::deleteHost(session.store(), host, VaultRules::keyIdToPath(data.keys));
    return 0;
}

} // namespace moorkeep::cli::hostchanges
