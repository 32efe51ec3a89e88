#include "files/atomic_file.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "keys/key_changes.h"
#include "keys/key_file_name.h"
#include "keys/key_scanner.h"
#include "model/vault_error.h"
#include "stores/system_vault_store.h"

namespace moorkeep {

std::vector<SSHKey> SystemVaultStore::generateKey(const GenerateKeyOptions& options) {
    const std::string fileName = sanitizeKeyFileName(options.name);
    const std::string privatePath = paths::join(sshDirectory_, fileName);
    if (files::exists(privatePath) || files::exists(privatePath + ".pub"))
        throw VaultError::keyAlreadyExists(fileName);
    files::createDirectories(sshDirectory_, 0700);

    KeyToolResult result = KeyChanges::generate(keyToolPath_, privatePath, options);
    if (result.status != 0)
        throw VaultError::sshKeygenFailed(KeyChanges::failureMessage(result));
    return rescanKeys();
}

std::vector<SSHKey> SystemVaultStore::changePassphrase(const ChangePassphraseOptions& options) {
    auto base = KeyScanner::findBaseName(sshDirectory_, options.keyId);
    if (!base)
        throw VaultError::keyNotFound(options.keyId);
    const std::string privatePath = paths::join(sshDirectory_, *base);
    if (!files::exists(privatePath))
        throw VaultError::keyFileNotFound("~/.ssh/" + *base);

    KeyToolResult result = KeyChanges::changePassphrase(
        keyToolPath_, privatePath, options.oldPassphrase, options.newPassphrase);
    if (result.status != 0)
        throw VaultError::sshKeygenFailed(KeyChanges::failureMessage(result));
    return rescanKeys();
}

} // namespace moorkeep
