#pragma once

#include "metadata/user_meta.h"
#include "model/ssh_key.h"
#include "stores/store_places.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

// What the metadata file keeps for the store: the key scan's cache, the
// keys' display names and the preferred terminal. Each change runs under the
// metadata file's lock.
class StoreMetadata {
public:
    explicit StoreMetadata(const StorePlaces& places);

    // Scans with the cache of the metadata file, saves a changed cache
    // (ignoring a failed save) and applies display names. meta receives the
    // record as it was read (under the lock, when the cache was saved);
    // warnings what the user should hear of the metadata file and the key
    // files.
    std::vector<SSHKey> scanWithCache(UserMeta& meta, std::vector<std::string>& warnings) const;
    // Records the key's display name.
    void nameKey(const SSHKey& key) const;
    // Runs removeFiles, then drops the key's recorded name: a metadata file
    // that could not take that is found before, and a failure of
    // removeFiles keeps the name.
    void removeKeyName(const std::string& keyId, const std::function<void()>& removeFiles) const;
    std::optional<std::string> preferredTerminal() const;
    void setPreferredTerminal(const std::optional<std::string>& commandLine) const;

private:
    const StorePlaces& places_;
};

} // namespace moorkeep
