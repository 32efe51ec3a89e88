#include "host_commands.h"

#include "field_options.h"
#include "host_changes.h"
#include "host_reads.h"
#include "known_host_commands.h"

#include <algorithm>
#include <array>

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
else a host id. A host no IdentityFile line reaches shows as its keys the
default identities OpenSSH offers it (~/.ssh/id_rsa, id_ecdsa, id_ecdsa_sk,
id_ed25519, id_ed25519_sk, id_xmss, id_dsa: those that exist), marked
"default"; --json lists them as "defaultKeys".

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

// Not constexpr: two entries come from the known-hosts commands.
const std::array<Command, 10> commands{{
    {"list", "list the hosts", listHelp, listOptions, {}, hostreads::list},
    {"show", "show one host", showHelp, showOptions, hostArgument, hostreads::show},
    {"command",
     "print the ssh command for a host",
     commandHelp,
     {},
     hostArgument,
     hostreads::command},
    {"connect",
     "connect to a host with ssh in this terminal",
     connectHelp,
     {},
     hostArgument,
     hostreads::connectTo},
    {"add", "add a host", addHelp, addOptions, aliasArgument, hostchanges::add},
    {"edit", "change a host", editHelp, editOptions, hostArgument, hostchanges::edit},
    {"move", "move a host's block above another block", moveHelp, moveOptions, aliasArgument,
     hostchanges::move},
    {"rm", "delete a host", removeHelp, {}, hostArgument, hostchanges::remove},
    knownhostcommands::knownCommand,
    knownhostcommands::forgetCommand,
}};

} // namespace

const CommandGroup& hostCommands() {
    static const CommandGroup group{
        "host",
        "Lists, shows, adds, changes and deletes hosts, connects to them, and lists and "
        "forgets the host keys ssh trusts for them.",
        commands};
    return group;
}

} // namespace moorkeep::cli
