#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace moorkeep {

// Store errors concerning keys. what() is the message shown to the user.
class VaultError : public std::runtime_error {
public:
    enum class Kind {
        keyAlreadyExists,
        keyNotFound,
        keyFileNotFound,
        wrongPassphrase,
        sshKeygenFailed,
        keyInUse
    };

    static VaultError keyAlreadyExists(const std::string& fileName);
    static VaultError keyNotFound(const std::string& keyId);
    static VaultError keyFileNotFound(const std::string& path);
    // The current passphrase given does not open the key at path.
    static VaultError wrongPassphrase(const std::string& path);
    static VaultError sshKeygenFailed(const std::string& message);
    // The key is still used by the hosts of these aliases.
    static VaultError keyInUse(const std::string& keyName, const std::vector<std::string>& aliases);

    Kind kind() const { return kind_; }
    // The text the error carries: file name, key id, path or tool message.
    const std::string& detail() const { return detail_; }

private:
    VaultError(Kind kind, std::string detail, const std::string& message);

    Kind kind_;
    std::string detail_;
};

} // namespace moorkeep
