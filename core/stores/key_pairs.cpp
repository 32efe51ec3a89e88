#include "stores/key_pairs.h"

#include "files/atomic_file.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "keys/key_changes.h"
#include "keys/key_file_name.h"
#include "keys/key_pair_files.h"
#include "keys/key_scanner.h"
#include "model/input_rules.h"
#include "model/key_files.h"
#include "model/vault_error.h"
#include "stores/store_lock.h"

#include <algorithm>
#include <stdexcept>

namespace moorkeep {
namespace {

constexpr std::string_view shownFolder = "~/.ssh/";

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

void KeyPairs::recreatePublicKey(const RecreatePublicKeyOptions& options) const {
    if (!InputRules::isValidPassphrase(options.passphrase))
        throw std::invalid_argument(std::string(passphraseRuleMessage));
    StoreLock lock(places_.lockPath(), StoreLock::Mode::change, StorePlaces::changeLockWait);
    const KeyFile key = existingPrivateKey(options.keyId);
    if (files::exists(key.path + ".pub"))
        throw std::invalid_argument(key.shown + ".pub exists already; it is left as it is.");
    KeyToolResult result =
        KeyChanges::publicHalf(places_.keyToolPath, key.path, options.passphrase);
    if (KeyChanges::isWrongPassphrase(result))
        throw VaultError::wrongPassphrase(key.shown);
    const std::string line = InputRules::trimWhitespaceAndNewlines(result.output);
    if (result.status != 0 || line.empty() || line.find('\n') != std::string::npos)
        throw VaultError::sshKeygenFailed(KeyChanges::failureMessage(result, key.path, key.shown));
    files::writeAtomically(key.path + ".pub", line + "\n", 0644);
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
    const std::vector<SSHKey> keys =
        KeyScanner::scan(places_.sshDirectory, {}, places_.keyToolPath).keys;
    auto key = std::ranges::find(keys, keyId, &SSHKey::id);
    if (key == keys.end())
        return;
    std::vector<std::string> paths;
    for (const std::string& shown : filesOfKey(*key))
        paths.push_back(paths::join(places_.sshDirectory, shown.substr(shownFolder.size())));
    // Every file is checked before any goes, and the private key goes
    // first: a key is never left half-removed and unlisted, with its private
    // half still there.
    for (const std::string& path : paths)
        KeyPairFiles::checkRemovable(path);
    for (const std::string& path : paths)
        KeyPairFiles::remove(path);
}

} // namespace moorkeep
