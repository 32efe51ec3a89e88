#include "stores/key_pairs.h"

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

#include <stdexcept>

namespace moorkeep {
namespace {

constexpr std::string_view passphraseRuleMessage =
    "A passphrase must not contain control characters such as a carriage return: ssh-keygen "
    "would cut it short there.";

} // namespace

KeyPairs::KeyPairs(const StorePlaces& places)
    : places_(places) {}

void KeyPairs::generate(const GenerateKeyOptions& options) const {
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
    const std::string privatePath = paths::join(places_.sshDirectory, fileName);
    if (files::exists(privatePath) || files::exists(privatePath + ".pub"))
        throw VaultError::keyAlreadyExists(fileName);
    files::createDirectories(places_.sshDirectory, 0700);
    KeyPairFiles::sweepStale(places_.sshDirectory);

    // The pair is made in a private folder and joins .ssh only when both
    // files are complete; on any failure the folder goes with what is in it.
    KeyPairFiles::StagingFolder staging(places_.sshDirectory);
    staging.expect(fileName);
    const std::string stagedPath = paths::join(staging.path(), fileName);
    KeyToolResult result = KeyChanges::generate(places_.keyToolPath, stagedPath, options);
    if (result.status != 0)
        throw VaultError::sshKeygenFailed(KeyChanges::failureMessage(result));
    if (!KeyPairFiles::isComplete(stagedPath) || !KeyPairFiles::isComplete(stagedPath + ".pub"))
        throw VaultError::sshKeygenFailed(
            "ssh-keygen did not write a complete key pair (is the disk full?). No key was made.");
    KeyPairFiles::movePairIntoPlace(stagedPath, privatePath);
}

KeyPairs::KeyFile KeyPairs::keyFile(const std::string& keyId) const {
    auto base = KeyScanner::findBaseName(places_.sshDirectory, keyId);
    if (!base)
        throw VaultError::keyNotFound(keyId);
    return {paths::join(places_.sshDirectory, *base), "~/.ssh/" + *base};
}

KeyPairs::KeyFile KeyPairs::existingPrivateKey(const std::string& keyId) const {
    KeyFile key = keyFile(keyId);
    if (!files::exists(key.path))
        throw VaultError::keyFileNotFound(key.shown);
    return key;
}

void KeyPairs::changePassphrase(const ChangePassphraseOptions& options) const {
    if (!InputRules::isValidPassphrase(options.oldPassphrase) ||
        !InputRules::isValidPassphrase(options.newPassphrase))
        throw std::invalid_argument(std::string(passphraseRuleMessage));
    {
        // One change of a key at a time, each on the key as the one before
        // left it: a change whose current passphrase no longer opens it
        // fails instead of replacing the other's work.
        StoreLock lock(places_.lockPath(), StoreLock::Mode::change, StorePlaces::changeLockWait);
        const KeyFile key = existingPrivateKey(options.keyId);
        KeyPairFiles::sweepStale(places_.sshDirectory);

        // ssh-keygen rewrites the file it is given in place and removes it
        // when the write fails, so it works on a copy; the key is replaced
        // only when the tool succeeded.
        KeyPairFiles::PrivateCopy copy(key.path);
        KeyToolResult result = KeyChanges::changePassphrase(
            places_.keyToolPath, copy.path(), options.oldPassphrase, options.newPassphrase);
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
}

void KeyPairs::remove(const std::string& keyId) const {
    auto base = KeyScanner::findBaseName(places_.sshDirectory, keyId);
    if (!base)
        return;
    // Both files are checked before either goes, and the private key goes
    // first: a key is never left half-removed and unlisted, with its private
    // half still there.
    const std::string privatePath = paths::join(places_.sshDirectory, *base);
    const std::string publicPath = privatePath + ".pub";
    KeyPairFiles::checkRemovable(privatePath);
    KeyPairFiles::checkRemovable(publicPath);
    KeyPairFiles::remove(privatePath);
    KeyPairFiles::remove(publicPath);
}

} // namespace moorkeep
