#include "host_commands.h"

#include "cli_errors.h"
#include "effective_view.h"
#include "field_options.h"
#include "files/paths.h"
#include "lookup.h"
#include "model/ascii.h"
#include "model/host_groups.h"
#include "model/input_rules.h"
#include "model/record_json.h"
#include "model/record_json_text.h"
#include "openssh/effect_check.h"
#include "openssh/ssh_arguments.h"
#include "openssh/ssh_command.h"
#include "program_exec.h"
#include "reading/config_syntax.h"
#include "record_views.h"
#include "session.h"
#include "stores/vault_rules.h"

#include <algorithm>
#include <array>
#include <utility>

namespace moorkeep::cli {

namespace {

constexpr std::array<OptionSpec, 2> listOptions{{{"--json", false}, {"--by-file", false}}};
constexpr std::array<OptionSpec, 2> showOptions{{{"--json", false}, {"--effective", false}}};
constexpr std::array<std::string_view, 1> hostArgument{"HOST"};
constexpr std::array<std::string_view, 1> aliasArgument{"ALIAS"};
constexpr std::array<OptionSpec, 1> moveOptions{{{"--before-line", true}}};
constexpr std::array<OptionSpec, 6> addOptions{{
    {"--hostname", true},
    {"--user", true},
    {"--port", true},
    {"--key", true},
    {"--proxy-jump", true},
    {"--option", true},
}};
constexpr auto editOptions = [] {
    std::array<OptionSpec, fieldOptionSpecs.size() + 2> options{
        {{"--alias", true}, {"--hostname", true}}};
    std::copy(fieldOptionSpecs.begin(), fieldOptionSpecs.end(), options.begin() + 2);
    return options;
}();

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

// Removing an option that the host's own block does not set would change
// nothing, so the user hears where OpenSSH takes it from instead.
void refuseUnsetNotOwn(Session& session, const SSHHost& host, const Defaults& defaults,
                       const FieldChanges& changes) {
    if (host.source != HostSource::config)
        return;
    SystemVaultStore* store = session.systemStore();
    std::optional<HostEvaluation> evaluation;
    for (const auto& change : changes.options) {
        if (change.value)
            continue;
        if (!store) {
            auto inherited = std::find_if(
                defaults.extraOptions.begin(), defaults.extraOptions.end(),
                [&](const auto& entry) { return equalsIgnoringCase(entry.first, change.name); });
            if (inherited != defaults.extraOptions.end())
                throw RefusedInput(inherited->first + " comes from the Host * defaults, not from " +
                                   "the block of " + host.alias);
            continue;
        }
        if (!evaluation)
            evaluation = store->evaluator().evaluate(SSHCommand::destinationPattern(host.alias),
                                                     store->localUser());
        const std::string keyword = asciiLower(change.name);
        const auto own = [&](const auto& line) { return line.keyword == keyword; };
        if (std::any_of(evaluation->shadowed.begin(), evaluation->shadowed.end(), own))
            continue;
        for (const auto& value : evaluation->effective) {
            if (value.keyword != keyword || value.own)
                continue;
            throw RefusedInput(change.name + " comes from " + store->displayPath(value.place.file) +
                               " line " + std::to_string(value.place.line) +
                               ", not from the block of " + host.alias + "; change it there" +
                               (value.place.file == store->configPath() ? " (for the Host * "
                                                                          "defaults: 'moorkeepctl "
                                                                          "defaults set "
                                                                          "--unset-option " +
                                                                              change.name + "')"
                                                                        : ""));
        }
    }
}

// A duplicate alias refused with the Host line that names it, where there is
// one. The store refuses an alias that only a line of several names names.
void refuseNamedAlias(Session& session, const std::string& alias) {
    SystemVaultStore* store = session.systemStore();
    if (!store)
        return;
    const std::string name = SSHCommand::destinationPattern(alias);
    if (auto line = EffectCheck::namingLine(store->evaluator().document(), name))
        throw RefusedInput(
            "A host with this alias already exists: " + store->displayPath(line->place.file) +
            " line " + std::to_string(line->place.line) + " (" + line->text + ") names " + name);
}

// Saved with the lists of the snapshot the host was found in.
SSHHost save(Session& session, const VaultData& data, const SSHHost& host) {
    return VaultRules::saveHost(session.store(), host,
                                VaultRules::originalAlias(data.hosts, host.id),
                                VaultRules::keyIdToPath(data.keys));
}

// The home whose "~" file names are shown with, and the main configuration
// file; the demo has no home of its own.
std::pair<std::string, std::string> homeAndMainFile(Session& session) {
    if (SystemVaultStore* store = session.systemStore())
        return {store->homedir(), paths::standardize(store->configPath(), store->homedir())};
    return {"", "~/.ssh/config"};
}

// One table per file, headed by the file and its count, in reading order.
void listByFile(Session& session, const VaultData& data) {
    const auto [home, mainFile] = homeAndMainFile(session);
    bool first = true;
    for (const auto& group : HostGroups::byFile(data.hosts, data.sources.config.files, mainFile)) {
        if (!first)
            session.output().line("");
        first = false;
        const std::size_t count = group.hosts.size();
        session.output().line(HostGroups::title(group, home) + " (" + std::to_string(count) +
                              (count == 1 ? " host)" : " hosts)"));
        std::vector<Row> rows;
        for (std::size_t index : group.hosts)
            rows.push_back(views::hostRow(data.hosts[index], data.keys));
        session.output().table(views::hostHeader(), rows);
    }
}

int list(Session& session, const ParsedArguments& args) {
    const VaultData& data = session.data();
    if (args.has("--json")) {
        // Written straight from the records: the JSON value of many hosts
        // would cost more than loading them.
        RecordJsonText::writeHostsWithPlaces(session.output().stream(), data.hosts,
                                             homeAndMainFile(session).first);
        session.output().stream() << '\n';
        return 0;
    }
    if (args.has("--by-file")) {
        listByFile(session, data);
        return 0;
    }
    std::vector<Row> rows;
    for (const auto& host : data.hosts)
        rows.push_back(views::hostRow(host, data.keys));
    session.output().table(views::hostHeader(), rows);
    return 0;
}

// The snapshot to look the host up in. A large configuration costs most of
// the time, so when the text is an alias only the hosts of that alias (and
// of the one the host is renamed to) are loaded: the first of them is the
// host the whole list gives, and the only ones a rename can collide with.
// Every host is loaded when the text may be an id.
const VaultData& dataToFind(Session& session, const std::string& text,
                            const std::optional<std::string>& newAlias = std::nullopt) {
    AliasSet aliases{text};
    if (newAlias)
        aliases.insert(*newAlias);
    const VaultData& some = session.dataForAliases(aliases);
    if (std::any_of(some.hosts.begin(), some.hosts.end(),
                    [&](const SSHHost& h) { return h.alias == text; }))
        return some;
    return session.data();
}

// What OpenSSH uses for any name, listed or not, read from the files.
int showEffective(Session& session, const ParsedArguments& args) {
    SystemVaultStore* store = session.systemStore();
    if (!store)
        throw RefusedInput("--effective reads the configuration files; the demo data has none");
    const HostEvaluation evaluation =
        store->evaluator().evaluate(args.positionals[0], store->localUser());
    if (args.has("--json"))
        session.output().json(views::effectiveJson(evaluation));
    else
        views::printEffective(session.output(), evaluation);
    return 0;
}

int show(Session& session, const ParsedArguments& args) {
    if (args.has("--effective"))
        return showEffective(session, args);
    const VaultData& data = dataToFind(session, args.positionals[0]);
    const SSHHost& host = findHost(data.hosts, args.positionals[0]);
    if (args.has("--json"))
        session.output().json(host);
    else
        session.output().fields(views::hostFields(host, data.keys));
    return 0;
}

int command(Session& session, const ParsedArguments& args) {
    const std::string& text = args.positionals[0];
    const SSHHost host = findHost(dataToFind(session, text).hosts, text);
    // Shown escaped, such a command would name another host.
    if (InputRules::hasControlCharacters(host.alias))
        throw RefusedInput("the alias holds control characters, so no command that reaches it "
                           "can be printed");
    session.output().line(SSHCommand::build(host));
    return 0;
}

int connectTo(Session& session, const ParsedArguments& args) {
    const std::string& text = args.positionals[0];
    replaceProcessWith(SSHCommand::arguments(findHost(dataToFind(session, text).hosts, text)));
}

int add(Session& session, const ParsedArguments& args) {
    auto hostname = args.value("--hostname");
    if (!hostname)
        throw UsageError("missing --hostname", "host add");
    session.beginChange();
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
    session.beginChange();
    const VaultData& data = dataToFind(session, args.positionals[0], args.value("--alias"));
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
    save(session, data, host);
    return 0;
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

int move(Session& session, const ParsedArguments& args) {
    auto before = args.value("--before-line");
    if (!before)
        throw UsageError("missing --before-line", "host move");
    const auto [file, line] = fileAndLine(*before);
    SystemVaultStore* store = session.systemStore();
    if (!store)
        throw RefusedInput("the demo data has no configuration file to move blocks in");
    session.beginChange();
    // An unknown host is refused like everywhere else, before the store looks.
    store->moveHostBlock(findHost(session.data().hosts, args.positionals[0]).alias, file, line);
    return 0;
}

int remove(Session& session, const ParsedArguments& args) {
    session.beginChange();
    const VaultData& data = session.data();
    const SSHHost& host = findHost(data.hosts, args.positionals[0]);
    VaultRules::deleteHost(session.store(), host, VaultRules::keyIdToPath(data.keys));
    return 0;
}

constexpr std::string_view listHelp = R"(Usage: moorkeepctl host list [--json] [--by-file]

Lists the hosts in the order the store keeps them: alias, host name, user,
port, key name and source ("config" for a Host block of ~/.ssh/config or a
file it includes, "user" for a host kept in the metadata file).

Options:
  --json      print the hosts as a JSON array; each host also has "file" and
              "line", where its Host line is (null for a host kept in the
              metadata file)
  --by-file   one table per file, headed by the file and its count:
              ~/.ssh/config first, then the files it includes in the order
              OpenSSH reads them, the hosts kept in the metadata file last
)";

constexpr std::string_view showHelp = R"(Usage: moorkeepctl host show HOST [--json] [--effective]

Shows one host. HOST is an alias (the first host with exactly that alias) or
else a host id.

With --effective, HOST is any destination name, listed or not, and the output
is what OpenSSH's client uses for it, as "ssh -G HOST" evaluates the files:
each value with the file and line that set it (OpenSSH takes the first value
it meets; IdentityFile values add up), the lines of the host's own block that
OpenSSH never uses and the line that wins instead, and Match conditions that
are not judged here because they would run something (exec, canonical,
final, localnetwork): such blocks count as not matching.

Options:
  --json        print as a JSON object
  --effective   what OpenSSH uses for HOST, and where each value comes from
)";

constexpr std::string_view commandHelp = R"(Usage: moorkeepctl host command HOST

Prints the ssh command that connects to the host: "ssh ALIAS" for a host of
~/.ssh/config, the user, host name and port spelled out for any other.
)";

constexpr std::string_view connectHelp = R"(Usage: moorkeepctl host connect HOST

Connects to the host in this terminal: runs ssh (found on PATH) in place of
moorkeepctl, with the arguments of the command "host command" prints, and
exits as ssh exits. No shell reads the arguments.
)";

constexpr std::string_view addHelp = R"(Usage: moorkeepctl host add ALIAS --hostname H [options]

Adds a host as a Host block to ~/.ssh/config: before the first block that
applies to ALIAS too (such as "Host *"), so that OpenSSH reads its values first,
else at the end. The alias must not be named by another Host line. A value that
OpenSSH would still take from elsewhere is refused, naming that line.

Options:
  --hostname H         the host name or address (required, not empty)
  --user U             the user to log in as
  --port N             the port, 1 to 65535 (default 22)
  --key KEY            the key to use: a key id, display name or file name
  --proxy-jump J       the jump host (blank for none)
  --option NAME=VALUE  one more ssh_config directive; may be repeated
)";

constexpr std::string_view editHelp = R"(Usage: moorkeepctl host edit HOST [options]

Changes a host: starts from the host as "host show HOST --json" shows it and
changes only what the options say. A host of ~/.ssh/config has its block
replaced (renamed with --alias); other lines of the file stay as they are.

Options:
  --alias NEW          a new alias (not empty, not taken by another host)
  --hostname H         the host name or address (not empty)
  --user U             the user to log in as
  --port N             the port, 1 to 65535
  --key KEY            the key to use: a key id, display name or file name
  --no-key             use no key of its own
  --proxy-jump J       the jump host (blank for none)
  --no-proxy-jump      no jump host
  --option NAME=VALUE  set a directive (any spelling of NAME is replaced);
                       may be repeated
  --unset-option NAME  remove a directive; may be repeated
)";

constexpr std::string_view moveHelp = R"(Usage: moorkeepctl host move ALIAS --before-line FILE:N

Moves the Host block of ALIAS, byte for byte, above line N of FILE, which must
be a Host or Match line of the file the block lives in (FILE may start with
"~"). OpenSSH takes the first value it meets for an option, so a block that
comes first decides: this is the way out when a change is refused because an
earlier block sets the value; the refusal names that block's line.

Options:
  --before-line FILE:N  the Host or Match line to move the block above
)";

constexpr std::string_view removeHelp = R"(Usage: moorkeepctl host rm HOST

Deletes a host: its Host block is removed from ~/.ssh/config, a host kept in
the metadata file is removed from there.
)";

constexpr std::array<Command, 8> commands{{
    {"list", "list the hosts", listHelp, listOptions, {}, list},
    {"show", "show one host", showHelp, showOptions, hostArgument, show},
    {"command", "print the ssh command for a host", commandHelp, {}, hostArgument, command},
    {"connect",
     "connect to a host with ssh in this terminal",
     connectHelp,
     {},
     hostArgument,
     connectTo},
    {"add", "add a host", addHelp, addOptions, aliasArgument, add},
    {"edit", "change a host", editHelp, editOptions, hostArgument, edit},
    {"move", "move a host's block above another block", moveHelp, moveOptions, aliasArgument, move},
    {"rm", "delete a host", removeHelp, {}, hostArgument, remove},
}};

} // namespace

const CommandGroup& hostCommands() {
    static const CommandGroup group{
        "host", "Lists, shows, adds, changes and deletes hosts, and connects to them.", commands};
    return group;
}

} // namespace moorkeep::cli
