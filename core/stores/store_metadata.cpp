#include "stores/store_metadata.h"

#include "keys/key_scanner.h"
#include "launch/terminal_choice.h"
#include "metadata/user_meta_store.h"
#include "model/input_rules.h"
#include "stores/store_lock.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace moorkeep {

StoreMetadata::StoreMetadata(const StorePlaces& places)
    : places_(places) {}

std::vector<SSHKey> StoreMetadata::scanWithCache(UserMeta& meta,
                                                 std::vector<std::string>& warnings) const {
    // The scan may run the key tool for a while, so it runs without the lock;
    // only saving a changed cache takes it, into the record as it is then. A
    // cache that did not change (no key and no file is the same as an empty
    // cache) leaves the file alone and the record as first read.
    const UserMetaStore& metaStore = places_.metaStore;
    meta = metaStore.load(warnings);
    ScanResult scanned =
        KeyScanner::scan(places_.sshDirectory, meta.keyCache.value_or(std::vector<KeyCacheEntry>{}),
                         places_.keyToolPath);
    warnings.insert(warnings.end(), scanned.warnings.begin(), scanned.warnings.end());
    if (meta.keyCache.value_or(std::vector<KeyCacheEntry>{}) != scanned.cache) {
        StoreLock lock(places_.lockPath(), StoreLock::Mode::read);
        // Without the lock the cache is not saved, so that no change is
        // dropped; nor into a file that holds no record, which may be
        // another program's work in progress and stays as it is.
        std::optional<UserMeta> record = metaStore.loadRecord();
        meta = record ? *record : metaStore.load();
        if (lock.held() && record &&
            meta.keyCache.value_or(std::vector<KeyCacheEntry>{}) != scanned.cache) {
            meta.keyCache = scanned.cache;
            try {
                metaStore.save(meta);
            } catch (const std::exception&) {
                // The cache only saves time; the next scan rebuilds it.
            }
        }
    }
    return UserMetaStore::merge(scanned.keys, meta.keyMeta);
}

void StoreMetadata::nameKey(const SSHKey& key) const {
    if (!InputRules::isValidDisplayName(key.name))
        throw std::invalid_argument(std::string(InputRules::displayNameRuleMessage));
    StoreLock lock(places_.lockPath(), StoreLock::Mode::change);
    UserMeta meta = places_.metaStore.load();
    auto entry = std::find_if(meta.keyMeta.begin(), meta.keyMeta.end(),
                              [&](const KeyMetaEntry& e) { return e.id == key.id; });
    if (entry != meta.keyMeta.end())
        entry->name = key.name;
    else
        meta.keyMeta.push_back({key.id, key.name});
    places_.metaStore.save(meta);
}

void StoreMetadata::removeKeyName(const std::string& keyId,
                                  const std::function<void()>& removeFiles) const {
    UserMeta meta = places_.metaStore.load();
    const bool named =
        std::erase_if(meta.keyMeta, [&](const KeyMetaEntry& e) { return e.id == keyId; });
    if (named)
        places_.metaStore.checkWritable();
    removeFiles();
    if (named)
        places_.metaStore.save(meta);
}

std::optional<std::string> StoreMetadata::preferredTerminal() const {
    return places_.metaStore.load().preferredTerminal;
}

void StoreMetadata::setPreferredTerminal(const std::optional<std::string>& commandLine) const {
    auto checked = TerminalChoice::checkedPreference(commandLine);
    StoreLock lock(places_.lockPath(), StoreLock::Mode::change);
    UserMeta meta = places_.metaStore.load();
    if (meta.preferredTerminal == checked)
        return;
    meta.preferredTerminal = std::move(checked);
    places_.metaStore.save(meta);
}

} // namespace moorkeep
