#include "host_reads.h"

#include "check_command.h"
#include "cli_errors.h"
#include "effective_view.h"
#include "files/paths.h"
#include "lookup.h"
#include "model/host_groups.h"
#include "model/input_rules.h"
#include "model/json_text.h"
#include "model/record_json.h"
#include "openssh/ssh_command.h"
#include "program_exec.h"
#include "record_views.h"
#include "session.h"

#include <algorithm>
#include <utility>

namespace moorkeep::cli::hostreads {

namespace {

// The home whose "~" file names are shown with, and the main configuration
// file; the demo has no home of its own.
std::pair<std::string, std::string> homeAndMainFile(Session& session) {
    if (auto files = session.store().storeFiles())
        return {files->home, paths::standardize(files->configPath, files->home)};
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

// A host as its JSON record gives it, with the file and line of its Host
// line (null for a host no file gave), written as text: the list of a large
// configuration spends more on making json values than on reading it.
void appendListedHost(std::string& out, const SSHHost& host, const std::string& home) {
    const ConfigPlace& place = host.facts.block;
    JsonObjectText entry(out, 1);
    entry.member("alias", host.alias).member("extraOptions", host.extraOptions);
    if (place.file.empty())
        entry.member("file", nullptr);
    else
        entry.member("file", paths::tilded(place.file, home));
    entry.member("hostname", host.hostname).member("id", host.id);
    if (host.keyId)
        entry.member("keyId", *host.keyId);
    if (place.file.empty())
        entry.member("line", nullptr);
    else
        entry.member("line", static_cast<std::int64_t>(place.line));
    entry.member("port", host.port);
    if (host.proxyJump)
        entry.member("proxyJump", *host.proxyJump);
    entry.member("source", toText(host.source)).member("user", host.user);
    entry.close();
}

// What OpenSSH uses for any name, listed or not, read from the files.
int showEffective(Session& session, const ParsedArguments& args) {
    RefusalWarning refusal(session);
    VaultStore& store = session.store();
    const auto evaluator = store.evaluator();
    if (!evaluator)
        throw RefusedInput("--effective reads the configuration files; the demo data has none");
    refusal.warn();
    const HostEvaluation evaluation = evaluator->evaluate(args.positionals[0], store.localUser());
    if (args.has("--json"))
        session.output().json(views::effectiveJson(evaluation));
    else
        views::printEffective(session.output(), evaluation);
    return 0;
}

// The list as JSON, each host written as soon as it is read: the first
// part's straight out, the second part's (read at the same time on another
// thread) kept as text until the first part is out, then the hosts the
// metadata file keeps. The text kept is in pieces, which never need copying
// as a growing whole would.
void listJson(Session& session, RefusalWarning& refusal) {
    const std::string home = homeAndMainFile(session).first;
    JsonArrayOutput array(session.output().stream());
    std::string first;
    std::vector<std::string> later;
    const auto handOver = [&](int part, SSHHost&& host) {
        const auto append = [&](std::string& text) { appendListedHost(text, host, home); };
        if (part == 1) {
            constexpr std::size_t pieceSize = 64 * 1024;
            if (later.empty() || later.back().size() > pieceSize) {
                later.emplace_back().reserve(pieceSize + 4096);
            }
            JsonArrayOutput::appendElement(later.back(), append);
            return;
        }
        first.clear();
        JsonArrayOutput::appendElement(first, append);
        array.write(first);
    };
    // The list shows no facts but the block's place.
    const VaultData rest = session.dataHandingOverHosts(handOver, false);
    refusal.warn();
    for (const std::string& piece : later)
        array.write(piece);
    for (const SSHHost& host : rest.hosts) {
        first.clear();
        JsonArrayOutput::appendElement(
            first, [&](std::string& text) { appendListedHost(text, host, home); });
        array.write(first);
    }
    array.close();
}

} // namespace

int list(Session& session, const ParsedArguments& args) {
    RefusalWarning refusal(session);
    if (args.has("--json")) {
        listJson(session, refusal);
        return 0;
    }
    const VaultData& data = session.data();
    refusal.warn();
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

// A large configuration costs most of the time, so when the text is an
// alias only the hosts of that alias (and of the one the host is renamed to)
// are loaded: the first of them is the host the whole list gives, and the
// only ones a rename can collide with. Every host is loaded when the text may
// be an id.
const VaultData& dataToFind(Session& session, const std::string& text,
                            const std::optional<std::string>& newAlias) {
    AliasSet aliases{text};
    if (newAlias)
        aliases.insert(*newAlias);
    const VaultData& some = session.dataForAliases(aliases);
    if (std::any_of(some.hosts.begin(), some.hosts.end(),
                    [&](const SSHHost& h) { return h.alias == text; }))
        return some;
    return session.data();
}

int show(Session& session, const ParsedArguments& args) {
    if (args.has("--effective"))
        return showEffective(session, args);
    RefusalWarning refusal(session);
    const VaultData& data = dataToFind(session, args.positionals[0]);
    const SSHHost& host = findHost(data.hosts, args.positionals[0]);
    refusal.warn();
    if (args.has("--json"))
        session.output().json(views::hostJson(host, data.keys));
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

} // namespace moorkeep::cli::hostreads
