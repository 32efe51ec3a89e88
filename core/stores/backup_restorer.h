#pragma once

#include "stores/config_guard.h"
#include "stores/store_places.h"
#include "stores/vault_store.h"

#include <string>

namespace moorkeep {

// Puts a backup of a configuration file back in place of the file.
class BackupRestorer {
public:
    BackupRestorer(const StorePlaces& places, const ConfigGuard& guard);

    // The backup's bytes, atomically, after backing up what the file holds
    // now. Only a file this home's configuration reads now is restored, and
    // unless told otherwise only with text OpenSSH accepts
    // (OpenSSHCheck::Rejection). Throws FileError. The caller holds the
    // change locks.
    void restore(const std::string& id, VaultStore::RestoreCheck check) const;

private:
    const StorePlaces& places_;
    const ConfigGuard& guard_;
};

} // namespace moorkeep
