#include "model/vault_error.h"

namespace moorkeep {

VaultError::VaultError(Kind kind, std::string detail, const std::string& message)
    : std::runtime_error(message)
    , kind_(kind)
    , detail_(std::move(detail)) {}

VaultError VaultError::keyAlreadyExists(const std::string& fileName) {
    return {Kind::keyAlreadyExists, fileName,
            "A key named \"" + fileName + "\" already exists in ~/.ssh"};
}

VaultError VaultError::keyNotFound(const std::string& keyId) {
    return {Kind::keyNotFound, keyId, "Key " + keyId + " not found in ~/.ssh"};
}

VaultError VaultError::keyFileNotFound(const std::string& path) {
    return {Kind::keyFileNotFound, path, "Key file not found: " + path};
}

VaultError VaultError::wrongPassphrase(const std::string& path) {
    return {Kind::wrongPassphrase, path, "The current passphrase of " + path + " is not right."};
}

VaultError VaultError::sshKeygenFailed(const std::string& message) {
    return {Kind::sshKeygenFailed, message, "ssh-keygen failed: " + message};
}

VaultError VaultError::keyInUse(const std::string& keyName,
                                const std::vector<std::string>& aliases) {
    std::string joined;
    for (const auto& alias : aliases)
        joined += (joined.empty() ? "" : ", ") + alias;
    return {Kind::keyInUse, joined,
            "Remove key from all hosts first: " + keyName + " is used by " + joined};
}

} // namespace moorkeep
