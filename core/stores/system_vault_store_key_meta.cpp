#include "files/paths.h"
#include "keys/key_pair_files.h"
#include "keys/key_scanner.h"
#include "model/input_rules.h"
#include "stores/store_lock.h"
#include "stores/system_vault_store.h"
#include "stores/vault_rules.h"

#include <algorithm>
#include <stdexcept>

namespace moorkeep {

void SystemVaultStore::saveKeyMeta(const SSHKey& key) {
    if (!InputRules::isValidDisplayName(key.name))
        throw std::invalid_argument(std::string(InputRules::displayNameRuleMessage));
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

void SystemVaultStore::deleteKeyMeta(const std::string& id, const DeleteKeyOptions& options) {
    // The configuration's lock too, so that no host of this store takes the
    // key up between the check and the removal.
    ChangeLocks locks(*this);
    if (!options.evenIfUsed)
        VaultRules::refuseIfUsed(loadData(), id);
    UserMeta meta = metaStore_.load();
    const bool named =
        std::erase_if(meta.keyMeta, [&](const KeyMetaEntry& e) { return e.id == id; });
    // The display name is dropped after the files go, and a metadata file
    // that could not take that is found before anything is removed.
    if (named)
        metaStore_.checkWritable();
    if (auto base = KeyScanner::findBaseName(sshDirectory_, id)) {
        // Both files are checked before either goes, and the private key goes
        // first: a key is never left half-removed and unlisted, with its
        // private half still there. A failure keeps the display name.
        const std::string privatePath = paths::join(sshDirectory_, *base);
        const std::string publicPath = privatePath + ".pub";
        KeyPairFiles::checkRemovable(privatePath);
        KeyPairFiles::checkRemovable(publicPath);
        KeyPairFiles::remove(privatePath);
        KeyPairFiles::remove(publicPath);
    }
    if (named)
        metaStore_.save(meta);
}

} // namespace moorkeep
