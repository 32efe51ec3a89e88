#pragma once

#include "model/key_certificate.h"

#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

// One key pair in the user's .ssh directory.
struct SSHKey {
    std::string id;
    std::string name;
    std::string path; // "~/.ssh/" followed by the private file's name
    std::string type;
    std::string fingerprint;
    std::string publicKey;
    std::optional<bool> hasPassphrase; // absent when there is no private file
    std::string createdAt;             // "yyyy-MM-dd"
    std::optional<int> bits{};         // absent when not known
    bool publicKeyMissing = false;     // a private key without its .pub file
    std::vector<KeyCertificate> certificates{};

    bool operator==(const SSHKey&) const = default;
};

} // namespace moorkeep
