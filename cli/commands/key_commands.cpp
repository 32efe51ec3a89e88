#include "key_commands.h"

#include "agent_commands.h"
#include "cli_errors.h"
#include "key_file_commands.h"
#include "keys/key_file_name.h"
#include "lookup.h"
#include "model/input_rules.h"
#include "model/record_json.h"
#include "model/secret_wipe.h"
#include "model/vault_error.h"
#include "openssh/ssh_command.h"
#include "passphrase_input.h"
#include "program_exec.h"
#include "record_views.h"
#include "session.h"
#include "stores/vault_rules.h"

#include <algorithm>
#include <array>
#include <sys/stat.h>

namespace moorkeep::cli {

namespace {

constexpr std::array<OptionSpec, 1> jsonOption{{{"--json", false}}};
constexpr std::array<std::string_view, 1> keyArgument{"KEY"};
constexpr std::array<std::string_view, 1> nameArgument{"NAME"};
constexpr std::array<std::string_view, 2> renameArguments{"KEY", "NAME"};
constexpr std::array<std::string_view, 2> installArguments{"KEY", "HOST"};
constexpr std::array<OptionSpec, 4> genOptions{{
    {"--type", true},
    {"--comment", true},
    {"--display-name", true},
    {"--passphrase-stdin", false},
}};
constexpr std::array<OptionSpec, 1> stdinOption{{{"--stdin", false}}};
constexpr std::array<std::string_view, 3> keyTypes{"ed25519", "rsa", "ecdsa"};

// Without an agent every key is out of it, and the user hears why.
int list(Session& session, const ParsedArguments& args) {
    const VaultData& data = session.data();
    const AgentState agent = session.store().agentKeys();
    if (agent.problem)
        session.output().warning(*agent.problem);
    if (args.has("--json")) {
        nlohmann::json keys = nlohmann::json::array();
        for (const auto& key : data.keys) {
            nlohmann::json entry = key;
            entry["inAgent"] = agent.holds(key);
            keys.push_back(std::move(entry));
        }
        session.output().json(keys);
        return 0;
    }
    std::vector<Row> rows;
    for (const auto& key : data.keys)
        rows.push_back(views::keyRow(key, data.hosts, agent));
    session.output().table(views::keyHeader(), rows);
    return 0;
}

int show(Session& session, const ParsedArguments& args) {
    const VaultData& data = session.data();
    const SSHKey& key = findKey(data.keys, args.positionals[0]);
    if (args.has("--json"))
        session.output().json(key);
    else
        session.output().fields(views::keyFields(key, data.hosts));
    return 0;
}

int pub(Session& session, const ParsedArguments& args) {
    session.output().line(findKey(session.data().keys, args.positionals[0]).publicKey);
    return 0;
}

int generate(Session& session, const ParsedArguments& args) {
    // The generate dialog's rules, checked before anything is created.
    GenerateKeyOptions options;
    options.name = args.positionals[0];
    if (!InputRules::isValidKeyFileName(options.name))
        throw RefusedInput("the key file name \"" + options.name +
                           "\" may hold only letters, numbers, dashes and underscores");
    if (isReservedKeyFileName(options.name) ||
        isReservedKeyFileName(sanitizeKeyFileName(options.name)))
        throw RefusedInput(reservedKeyFileNameMessage(options.name));
    options.type = args.value("--type").value_or("ed25519");
    if (std::find(keyTypes.begin(), keyTypes.end(), options.type) == keyTypes.end())
        throw UsageError("--type takes ed25519, rsa or ecdsa, not \"" + options.type + "\"",
                         "key gen");
    std::string comment = args.value("--comment").value_or("");
    if (!InputRules::isValidEmail(comment))
        throw RefusedInput("Enter a valid email address (not \"" + comment + "\")");
    options.comment = InputRules::nonEmptyTrimmed(comment);
    std::optional<std::string> displayName =
        InputRules::trimWhitespaceAndNewlines(args.value("--display-name").value_or(""));
    if (displayName->empty())
        displayName.reset();
    else if (!InputRules::isValidDisplayName(*displayName))
        throw RefusedInput(std::string(InputRules::displayNameRuleMessage));
    if (args.has("--passphrase-stdin")) {
        std::optional<Secret> line = readStandardInputLine();
        if (!line)
            throw UsageError("--passphrase-stdin: no line on standard input", "key gen");
        if (!line->text().empty())
            options.passphrase = line->text();
    }
    try {
        VaultRules::generateKey(session.store(), options, displayName);
    } catch (...) {
        if (options.passphrase)
            wipeSecret(*options.passphrase);
        throw;
    }
    if (options.passphrase)
        wipeSecret(*options.passphrase);
    return 0;
}

int rename(Session& session, const ParsedArguments& args) {
    SSHKey key = findKey(session.data().keys, args.positionals[0]);
    key.name = InputRules::trimWhitespaceAndNewlines(args.positionals[1]);
    if (key.name.empty())
        throw RefusedInput("the display name must not be empty");
    if (!InputRules::isValidDisplayName(key.name))
        throw RefusedInput(std::string(InputRules::displayNameRuleMessage));
    session.store().saveKeyMeta(key);
    return 0;
}

// The current and the new passphrase, as the passphrase dialog collects
// them.
struct PassphraseChange {
    Secret current;
    Secret next;
};

PassphraseChange readFromStandardInput() {
    std::optional<Secret> current = readStandardInputLine();
    std::optional<Secret> next = current ? readStandardInputLine() : std::nullopt;
    if (!next)
        throw UsageError("--stdin needs two lines: the current and the new passphrase",
                         "key passwd");
    return {std::move(*current), std::move(*next)};
}

PassphraseChange readFromTerminal(const SSHKey& key) {
    PassphraseChange change;
    // Only a key known to be unprotected skips the question.
    if (key.hasPassphrase != false)
        change.current = askOnTerminal("Current passphrase of " + key.name + ": ");
    change.next = askOnTerminal("New passphrase (empty for none): ");
    Secret repeated = askOnTerminal("Repeat the new passphrase: ");
    if (repeated.text() != change.next.text())
        throw RefusedInput("Passphrases do not match");
    return change;
}

int passwd(Session& session, const ParsedArguments& args) {
    const SSHKey& key = findKey(session.data().keys, args.positionals[0]);
    PassphraseChange change = args.has("--stdin") ? readFromStandardInput() : readFromTerminal(key);
    // Removing needs a protected key; otherwise there must be a new one.
    if (key.hasPassphrase != true && change.next.text().empty())
        throw RefusedInput("the key has no passphrase to remove; give a new one");
    ChangePassphraseOptions options{key.id, change.current.text(), change.next.text()};
    auto clear = [&] {
        wipeSecret(options.oldPassphrase);
        wipeSecret(options.newPassphrase);
    };
    try {
        session.store().changePassphrase(options);
    } catch (...) {
        clear();
        throw;
    }
    clear();
    return 0;
}

int install(Session& session, const ParsedArguments& args) {
    const auto files = session.store().storeFiles();
    if (!files)
        throw RefusedInput("the demo data has no key files to install");
    const VaultData& data = session.data();
    const SSHKey& key = findKey(data.keys, args.positionals[0]);
    const SSHHost& host = findHost(data.hosts, args.positionals[1]);
    const std::string publicPath = files->expandHome(key.path) + ".pub";
    struct stat facts {};
    if (::stat(publicPath.c_str(), &facts) != 0)
        throw VaultError::keyFileNotFound(publicPath);
    replaceProcessWith(SSHCommand::copyIdArguments(host, publicPath));
}

constexpr std::string_view listHelp = R"(Usage: moorkeepctl key list [--json]

Lists the key pairs in ~/.ssh: display name, type, whether the private key has
a passphrase (yes, no, or unknown when there is no private file), whether the
running ssh-agent holds it (yes, no, or - when no agent is running), the number
of hosts that use the key, its path and its fingerprint.

Options:
  --json   print the keys as a JSON array; each key's "inAgent" is true when
           the agent holds it
)";

constexpr std::string_view showHelp = R"(Usage: moorkeepctl key show KEY [--json]

Shows one key and the hosts that use it. KEY is a key id, else a display
name, else the file name of the private key.

Options:
  --json   print the key as a JSON object
)";

constexpr std::string_view pubHelp = R"(Usage: moorkeepctl key pub KEY

Prints the public key text alone, for example to hand it to a server.
)";

constexpr std::string_view genHelp = R"(Usage: moorkeepctl key gen NAME [options]

Generates a key pair ~/.ssh/NAME and ~/.ssh/NAME.pub with ssh-keygen. NAME may
hold only letters, numbers, dashes and underscores.

Options:
  --type TYPE          ed25519 (the default), rsa (4096 bits) or ecdsa
  --comment TEXT       an e-mail address, added as the key's comment
  --display-name TEXT  the name shown for the key
  --passphrase-stdin   read the passphrase from the first line of standard
                       input (an empty line for none); without it the key
                       has no passphrase
)";

constexpr std::string_view renameHelp = R"(Usage: moorkeepctl key rename KEY NAME

Gives the key a display name (the key files keep their names).
)";

constexpr std::string_view passwdHelp = R"(Usage: moorkeepctl key passwd KEY [--stdin]

Sets, changes or removes the key's passphrase. Asks on the terminal, without
echo, for the current passphrase (not for a key known to have none) and twice
for the new one; an empty new passphrase removes it.

Options:
  --stdin   read two lines from standard input instead: the current
            passphrase (empty for none) and the new one (empty for none)
)";

constexpr std::string_view installHelp = R"(Usage: moorkeepctl key install KEY HOST

Installs the public key on the host, so that the key logs in there: runs
"ssh-copy-id -i ~/.ssh/KEY.pub HOST" (found on PATH) in place of moorkeepctl,
in this terminal, where ssh-copy-id asks for the password it needs. HOST is
reached as "host connect" reaches it. No shell reads the arguments.

Refused, with nothing run, when ssh-copy-id would misread them: a destination
that begins with "-" (it would hand it to ssh as an option), or a key path
holding " $ ` \ * ? [, a tab, a line break or two spaces in a row (its shell
would read them as code, a pattern or another path).
)";

} // namespace

const CommandGroup& keyCommands() {
    static const std::array<Command, 11> commands{{
        {"list", "list the keys", listHelp, jsonOption, {}, list},
        {"show", "show one key", showHelp, jsonOption, keyArgument, show},
        {"pub", "print a public key", pubHelp, {}, keyArgument, pub},
        {"gen", "generate a key pair", genHelp, genOptions, nameArgument, generate},
        {"rename", "give a key a display name", renameHelp, {}, renameArguments, rename},
        keyRemoveCommand(),
        {"passwd", "set, change or remove a passphrase", passwdHelp, stdinOption, keyArgument,
         passwd},
        {"install",
         "install a public key on a host with ssh-copy-id",
         installHelp,
         {},
         installArguments,
         install},
        keyRecreatePublicCommand(),
        agentAddCommand(),
        agentRemoveCommand(),
    }};
    static const CommandGroup group{
        "key",
        "Lists, shows, generates, renames and deletes keys, installs them on hosts and loads "
        "them into ssh-agent.",
        commands};
    return group;
}

} // namespace moorkeep::cli
