#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moorkeep {

// An OpenSSH certificate of a key, as ssh-keygen -L describes it.
struct KeyCertificate {
    // A validity that ends with this value has no end.
    static constexpr std::uint64_t noEnd = ~std::uint64_t{0};

    std::string path;                    // "~/.ssh/" followed by the file's name
    std::string kind;                    // "user" or "host"
    std::string keyId;                   // the signer's name for it
    std::vector<std::string> principals; // none: any user or host
    std::uint64_t serial = 0;
    std::string caType; // of the signing key, named as SSHKey::type
    std::string caFingerprint;
    std::uint64_t validAfter = 0; // seconds since 1970
    std::uint64_t validBefore = noEnd;

    bool operator==(const KeyCertificate&) const = default;
};

} // namespace moorkeep
