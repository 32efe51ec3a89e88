#include "key_file_commands.h"

#include "cli_errors.h"
#include "files/paths.h"
#include "lookup.h"
#include "model/key_files.h"
#include "model/secret_wipe.h"
#include "model/vault_error.h"
#include "passphrase_input.h"
#include "session.h"

#include <array>

namespace moorkeep::cli {

namespace {

constexpr std::array<std::string_view, 1> keyArgument{"KEY"};
constexpr std::array<OptionSpec, 1> forceOption{{{"--force", false}}};
constexpr std::array<OptionSpec, 1> stdinOption{{{"--stdin", false}}};

// A certificate is no key of its own: asking to delete one by its file's
// name is refused with the key it belongs to.
void refuseCertificateName(const std::vector<SSHKey>& keys, const std::string& text) {
    for (const SSHKey& key : keys)
        for (const KeyCertificate& certificate : key.certificates) {
            const std::string file = paths::baseName(certificate.path);
            if (file == text || file == text + ".pub")
                throw RefusedInput(certificate.path + " is a certificate of the key " + key.name +
                                   " (" + key.path +
                                   "), not a key: deleting that key deletes "
                                   "its certificates too");
        }
}

int remove(Session& session, const ParsedArguments& args) {
    const std::vector<SSHKey>& keys = session.data().keys;
    const std::string& text = args.positionals[0];
    if (!keyWithId(keys, text) && std::ranges::none_of(keys, [&](const SSHKey& k) {
            return k.name == text || paths::baseName(k.path) == text;
        }))
        refuseCertificateName(keys, text);
    const SSHKey& key = findKey(keys, text);
    const std::vector<std::string> files = filesOfKey(key);
    try {
        session.store().deleteKeyMeta(key.id, {.evenIfUsed = args.has("--force")});
    } catch (const VaultError& error) {
        if (error.kind() != VaultError::Kind::keyInUse)
            throw;
        throw RefusedInput(std::string(error.what()) + " (--force deletes it anyway)");
    }
    for (const std::string& file : files)
        session.output().line("Deleted " + file);
    return 0;
}

int recreatePublic(Session& session, const ParsedArguments& args) {
    const SSHKey& key = findKey(session.data().keys, args.positionals[0]);
    if (!key.publicKeyMissing)
        throw RefusedInput(key.path + ".pub exists already");
    Secret passphrase;
    if (key.hasPassphrase == true) {
        if (args.has("--stdin")) {
            std::optional<Secret> line = readStandardInputLine();
            if (!line)
                throw UsageError("--stdin: no line on standard input", "key recreate-pub");
            passphrase = std::move(*line);
        } else {
            passphrase = askOnTerminal("Passphrase of " + key.name + ": ");
        }
    }
    RecreatePublicKeyOptions options{key.id, passphrase.text()};
    try {
        session.store().recreatePublicKey(options);
    } catch (...) {
        wipeSecret(options.passphrase);
        throw;
    }
    wipeSecret(options.passphrase);
    session.output().line("Wrote " + key.path + ".pub");
    return 0;
}

constexpr std::string_view removeHelp = R"(Usage: moorkeepctl key rm KEY [--force]

Deletes the key's files from ~/.ssh: the private key, its public key and its
certificates, and prints the name of each file deleted. Refused while hosts
use the key, and for the name of a certificate (delete its key instead).

Options:
  --force   delete the key even though hosts use it
)";

constexpr std::string_view recreateHelp = R"(Usage: moorkeepctl key recreate-pub KEY [--stdin]

Re-creates the missing public key file ~/.ssh/KEY.pub from the private key
with "ssh-keygen -y", keeping the private key's comment. For a protected key,
asks on the terminal, without echo, for its passphrase, which never appears
in an argument list. Refused when the public file exists.

Options:
  --stdin   read the passphrase from the first line of standard input
            instead of the terminal
)";

} // namespace

const Command& keyRemoveCommand() {
    static const Command command{"rm",        "delete a key pair", removeHelp,
                                 forceOption, keyArgument,         remove};
    return command;
}

const Command& keyRecreatePublicCommand() {
    static const Command command{"recreate-pub", "re-create a missing public key file",
                                 recreateHelp,   stdinOption,
                                 keyArgument,    recreatePublic};
    return command;
}

} // namespace moorkeep::cli
