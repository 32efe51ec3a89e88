#include "files/paths.h"
#include "keys/key_scanner.h"
#include "stores/store_lock.h"
#include "stores/system_vault_store.h"

#include <algorithm>
#include <unistd.h>

namespace moorkeep {

void SystemVaultStore::saveKeyMeta(const SSHKey& key) {
    StoreLock lock(lockPath(), StoreLock::Mode::change);
    UserMeta meta = metaStore_.load();
    auto entry = std::find_if(meta.keyMeta.begin(), meta.keyMeta.end(),
                              [&](const KeyMetaEntry& e) { return e.id == key.id; });
    if (entry != meta.keyMeta.end())
        entry->name = key.name;
    else
        meta.keyMeta.push_back({key.id, key.name});
    metaStore_.save(meta);
}

void SystemVaultStore::deleteKeyMeta(const std::string& id) {
    if (auto base = KeyScanner::findBaseName(sshDirectory_, id)) {
        // A file that cannot be removed does not stop the rest.
        const std::string privatePath = paths::join(sshDirectory_, *base);
        ::unlink(privatePath.c_str());
        ::unlink((privatePath + ".pub").c_str());
    }
    StoreLock lock(lockPath(), StoreLock::Mode::change);
    UserMeta meta = metaStore_.load();
    std::erase_if(meta.keyMeta, [&](const KeyMetaEntry& e) { return e.id == id; });
    metaStore_.save(meta);
}

} // namespace moorkeep
