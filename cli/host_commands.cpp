#include "host_commands.h"

#include "cli_errors.h"
#include "config/ssh_command.h"
#include "field_options.h"
#include "lookup.h"
#include "model/input_rules.h"
#include "model/record_json.h"
#include "model/record_json_text.h"
#include "record_views.h"
#include "session.h"
#include "stores/vault_rules.h"

#include <algorithm>
#include <array>

namespace moorkeep::cli {

namespace {

constexpr std::array<OptionSpec, 1> jsonOption{{{"--json", false}}};
constexpr std::array<std::string_view, 1> hostArgument{"HOST"};
constexpr std::array<std::string_view, 1> aliasArgument{"ALIAS"};
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

// Saved with the lists of the snapshot the host was found in.
SSHHost save(Session& session, const VaultData& data, const SSHHost& host) {
    return VaultRules::saveHost(session.store(), host,
                                VaultRules::originalAlias(data.hosts, host.id),
                                VaultRules::keyIdToPath(data.keys));
}

int list(Session& session, const ParsedArguments& args) {
    const VaultData& data = session.data();
    if (args.has("--json")) {
        // Written straight from the records: the JSON value of many hosts
        // would cost more than loading them.
        RecordJsonText::writeHosts(session.output().stream(), data.hosts);
        session.output().stream() << '\n';
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

int show(Session& session, const ParsedArguments& args) {
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
    session.output().line(SSHCommand::build(findHost(dataToFind(session, text).hosts, text)));
    return 0;
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
    applyFieldChanges(host, changes);
    checkHost(host, data.hosts, host.id, previousAlias);
    save(session, data, host);
    return 0;
}

int remove(Session& session, const ParsedArguments& args) {
    session.beginChange();
    const VaultData& data = session.data();
    const SSHHost& host = findHost(data.hosts, args.positionals[0]);
    VaultRules::deleteHost(session.store(), host, VaultRules::keyIdToPath(data.keys));
    return 0;
}

constexpr std::string_view listHelp = R"(Usage: moorkeepctl host list [--json]

Lists the hosts in the order the store keeps them: alias, host name, user,
port, key name and source ("config" for a Host block of ~/.ssh/config, "user"
for a host kept in the metadata file).

Options:
  --json   print the hosts as a JSON array
)";

constexpr std::string_view showHelp = R"(Usage: moorkeepctl host show HOST [--json]

Shows one host. HOST is an alias (the first host with exactly that alias) or
else a host id.

Options:
  --json   print the host as a JSON object
)";

constexpr std::string_view commandHelp = R"(Usage: moorkeepctl host command HOST

Prints the ssh command that connects to the host: "ssh ALIAS" for a host of
~/.ssh/config, the user, host name and port spelled out for any other.
)";

constexpr std::string_view addHelp = R"(Usage: moorkeepctl host add ALIAS --hostname H [options]

Adds a host as a Host block at the end of ~/.ssh/config. The alias must not be
taken by another host.

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

constexpr std::string_view removeHelp = R"(Usage: moorkeepctl host rm HOST

Deletes a host: its Host block is removed from ~/.ssh/config, a host kept in
the metadata file is removed from there.
)";

constexpr std::array<Command, 6> commands{{
    {"list", "list the hosts", listHelp, jsonOption, {}, list},
    {"show", "show one host", showHelp, jsonOption, hostArgument, show},
    {"command", "print the ssh command for a host", commandHelp, {}, hostArgument, command},
    {"add", "add a host", addHelp, addOptions, aliasArgument, add},
    {"edit", "change a host", editHelp, editOptions, hostArgument, edit},
    {"rm", "delete a host", removeHelp, {}, hostArgument, remove},
}};

} // namespace

const CommandGroup& hostCommands() {
    static const CommandGroup group{"host", "Lists, shows, adds, changes and deletes hosts.",
                                    commands};
    return group;
}

} // namespace moorkeep::cli
