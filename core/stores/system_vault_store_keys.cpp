#include "files/atomic_file.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "keys/key_changes.h"
#include "keys/key_file_name.h"
#include "keys/key_pair_files.h"
#include "keys/key_scanner.h"
#include "model/input_rules.h"
#include "model/vault_error.h"
#include "stores/store_lock.h"
#include "stores/system_vault_store.h"

#include <stdexcept>

namespace moorkeep {
namespace {

constexpr std::string_view passphraseRuleMessage =
    "A passphrase must not contain control characters such as a carriage return: ssh-keygen "
    "would cut it short there.";

} // namespace

std::vector<SSHKey> SystemVaultStore::generateKey(const GenerateKeyOptions& options) {
    const std::string fileName = sanitizeKeyFileName(options.name);
    if (isReservedKeyFileName(options.name) || isReservedKeyFileName(fileName))
        throw std::invalid_argument(reservedKeyFileNameMessage(options.name));
    // The comment ends the public key line; a line break would add a second
    // key line of someone else's choosing.
    if (options.comment && InputRules::hasControlCharacters(*options.comment))
        throw std::invalid_argument(
            "The comment must not contain control characters such as line breaks.");
    if (options.passphrase && !InputRules::isValidPassphrase(*options.passphrase))
        throw std::invalid_argument(std::string(passphraseRuleMessage));
    const std::string privatePath = paths::join(sshDirectory_, fileName);
    if (files::exists(privatePath) || files::exists(privatePath + ".pub"))
        throw VaultError::keyAlreadyExists(fileName);
    files::createDirectories(sshDirectory_, 0700);
    KeyPairFiles::sweepStale(sshDirectory_);

    // The pair is made in a private folder and joins .ssh only when both
    // files are complete; on any failure the folder goes with what is in it.
    KeyPairFiles::StagingFolder staging(sshDirectory_);
    staging.expect(fileName);
    const std::string stagedPath = paths::join(staging.path(), fileName);
    KeyToolResult result = KeyChanges::generate(keyToolPath_, stagedPath, options);
    if (result.status != 0)
        throw VaultError::sshKeygenFailed(KeyChanges::failureMessage(result));
    if (!KeyPairFiles::isComplete(stagedPath) || !KeyPairFiles::isComplete(stagedPath + ".pub"))
        throw VaultError::sshKeygenFailed(
            "ssh-keygen did not write a complete key pair (is the disk full?). No key was made.");
    KeyPairFiles::movePairIntoPlace(stagedPath, privatePath);
    return rescanKeys();
}

SystemVaultStore::KeyFile SystemVaultStore::keyFile(const std::string& keyId) const {
    auto base = KeyScanner::findBaseName(sshDirectory_, keyId);
    if (!base)
        throw VaultError::keyNotFound(keyId);
    return {paths::join(sshDirectory_, *base), "~/.ssh/" + *base};
}

SystemVaultStore::KeyFile SystemVaultStore::existingPrivateKey(const std::string& keyId) const {
    KeyFile key = keyFile(keyId);
    if (!files::exists(key.path))
        throw VaultError::keyFileNotFound(key.shown);
    return key;
}

std::vector<SSHKey> SystemVaultStore::changePassphrase(const ChangePassphraseOptions& options) {
    if (!InputRules::isValidPassphrase(options.oldPassphrase) ||
        !InputRules::isValidPassphrase(options.newPassphrase))
        throw std::invalid_argument(std::string(passphraseRuleMessage));
    {
        // One change of a key at a time, each on the key as the one before
        // left it: a change whose current passphrase no longer opens it
        // fails instead of replacing the other's work.
        StoreLock lock(lockPath(), StoreLock::Mode::change, ChangeLocks::wait);
        const KeyFile key = existingPrivateKey(options.keyId);
        KeyPairFiles::sweepStale(sshDirectory_);

        // ssh-keygen rewrites the file it is given in place and removes it
        // when the write fails, so it works on a copy; the key is replaced
        // only when the tool succeeded.
        KeyPairFiles::PrivateCopy copy(key.path);
        KeyToolResult result = KeyChanges::changePassphrase(
            keyToolPath_, copy.path(), options.oldPassphrase, options.newPassphrase);
        if (KeyChanges::isWrongPassphrase(result))
            throw VaultError::wrongPassphrase(key.shown);
        if (result.status != 0)
            throw VaultError::sshKeygenFailed(
                KeyChanges::failureMessage(result, copy.path(), key.shown));
        if (!KeyPairFiles::isComplete(copy.path()))
            throw VaultError::sshKeygenFailed("ssh-keygen did not write the key (is the disk "
                                              "full?). The key was left unchanged.");
        copy.replaceOriginal();
    }
    return rescanKeys();
}

} // namespace moorkeep
