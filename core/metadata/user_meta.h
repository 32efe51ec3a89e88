#pragma once

#include "keys/key_cache_entry.h"
#include "model/ssh_host.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

// A display name given to a key.
struct KeyMetaEntry {
    std::string id;
    std::string name;

    bool operator==(const KeyMetaEntry&) const = default;
};

// The content of the metadata file. A default-constructed value is the record
// used when there is no usable file.
struct UserMeta {
    std::int64_t version = 1;
    std::vector<KeyMetaEntry> keyMeta;
    std::vector<SSHHost> hosts;
    std::optional<std::string> preferredTerminal;
    std::optional<std::vector<KeyCacheEntry>> keyCache;

    bool operator==(const UserMeta&) const = default;
};

} // namespace moorkeep
