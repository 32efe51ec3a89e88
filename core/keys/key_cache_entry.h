#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace moorkeep {

// What a scan remembers of one public key file, so that an unchanged key is
// rebuilt without running the key tool.
struct KeyCacheEntry {
    std::string pubPath;
    double pubMtime = 0;
    std::int64_t pubSize = 0;
    std::optional<double> privMtime;
    std::optional<std::int64_t> privSize;
    std::string fingerprint;
    std::optional<bool> hasPassphrase;
    std::string type;
    std::string publicKey;
    std::string createdAt;
    std::optional<int> bits{};

    bool operator==(const KeyCacheEntry&) const = default;
};

} // namespace moorkeep
