#pragma once

#include "stores/config_guard.h"
#include "stores/store_places.h"
#include "stores/vault_store.h"

#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

// Puts a backup of a configuration file back in place of the file. What it
// writes is recorded as a change (ConfigGuard::takeChanges), as any write of
// the configuration is.
class BackupRestorer {
public:
    BackupRestorer(const StorePlaces& places, const ConfigGuard& guard);

    // The backup's bytes, atomically, after backing up what the file holds
    // now. Only a file this home's configuration reads now is restored, and
    // unless told otherwise only with text OpenSSH accepts
    // (OpenSSHCheck::Rejection). Throws FileError. The caller holds the
    // change locks.
    void restore(const std::string& id, VaultStore::RestoreCheck check) const;
    // Each file back as it was before its change, newest change first,
    // checked by OpenSSH; refused (FileError) for a file that no longer
    // holds what its change wrote, or whose backup is no longer kept.
    void revert(const std::vector<ConfigChange>& changes) const;
    // Nothing when the backup cannot be read.
    std::optional<BackupTexts> texts(const std::string& id) const;

private:
    // expected: the shortDigest the file must hold for it to be replaced.
    void putBack(const std::string& target, const std::string& bytes,
                 VaultStore::RestoreCheck check, const std::optional<std::string>& expected) const;

    const StorePlaces& places_;
    const ConfigGuard& guard_;
};

} // namespace moorkeep
