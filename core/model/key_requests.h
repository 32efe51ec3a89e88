#pragma once

#include <optional>
#include <string>

namespace moorkeep {

struct GenerateKeyOptions {
    std::string name; // file base name under .ssh
    std::string type;
    std::optional<std::string> passphrase;
    std::optional<std::string> comment;

    bool operator==(const GenerateKeyOptions&) const = default;
};

// Rebuilds a key's missing public file from its private file.
struct RecreatePublicKeyOptions {
    std::string keyId;
    std::string passphrase; // the key's, empty for an unprotected key

    bool operator==(const RecreatePublicKeyOptions&) const = default;
};

struct DeleteKeyOptions {
    bool evenIfUsed = false; // else a key some host uses is refused
};

struct ChangePassphraseOptions {
    std::string keyId;
    std::string oldPassphrase;
    std::string newPassphrase; // empty removes the passphrase

    bool operator==(const ChangePassphraseOptions&) const = default;
};

} // namespace moorkeep
