#pragma once

#include <optional>
#include <string>
#include <string_view>

// The facts of a key read in this process, as `ssh-keygen -l` prints them,
// for every kind OpenSSH makes. Strict: whatever OpenSSH would refuse or
// read differently gives nothing, and the caller asks ssh-keygen instead.
namespace moorkeep::KeyFactsReader {

struct KeyFacts {
    std::string type; // "rsa", "dsa", "ecdsa", "ed25519", "ecdsa-sk", "ed25519-sk"
    int bits = 0;
    std::string fingerprint; // "SHA256:..."
    std::string comment;

    bool operator==(const KeyFacts&) const = default;
};

// From a key blob of the kind `name` names (the blob must name it too).
std::optional<KeyFacts> fromBlob(std::string_view blob, std::string_view name);

// From a public key file's text: one line "NAME BASE64 [COMMENT]".
std::optional<KeyFacts> fromPublicText(std::string_view text);

// From a private key file in the OpenSSH container, whose public half is
// kept in the clear even when the key is protected. No comment: that is in
// the private half.
std::optional<KeyFacts> fromPrivateText(std::string_view text);

} // namespace moorkeep::KeyFactsReader
