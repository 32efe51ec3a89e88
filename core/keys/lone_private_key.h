#pragma once

#include <optional>
#include <string>

// A private key file met without its public file: what can be told of the
// key from the private file alone, without a passphrase or a child process.
namespace moorkeep::LonePrivateKey {

// Private key files are small; a larger file is not taken for one.
inline constexpr std::size_t sizeLimit = 64 * 1024;

struct Facts {
    std::string type = "unknown"; // named as SSHKey::type
    std::optional<int> bits;
    std::string fingerprint = "unknown";
    std::optional<bool> hasPassphrase; // absent for a format not known
    // Only a key the OpenSSH container or PEM armour does not describe in
    // the clear, and whose protection is unknown or none, may yet be told
    // by ssh-keygen -y.
    bool askTool = false;
};

// Nothing unless the file is a private key file: armour whose first line
// names a PRIVATE KEY, as ssh-keygen tells them.
std::optional<Facts> read(const std::string& path);

} // namespace moorkeep::LonePrivateKey
