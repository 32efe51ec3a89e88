#include "launch/terminal_choice.h"
#include "stores/store_lock.h"
#include "stores/system_vault_store.h"

namespace moorkeep {

std::optional<std::string> SystemVaultStore::preferredTerminal() {
    return metaStore_.load().preferredTerminal;
}

void SystemVaultStore::setPreferredTerminal(const std::optional<std::string>& commandLine) {
    auto checked = TerminalChoice::checkedPreference(commandLine);
    StoreLock lock(lockPath(), StoreLock::Mode::change);
    UserMeta meta = metaStore_.load();
    if (meta.preferredTerminal == checked)
        return;
    meta.preferredTerminal = std::move(checked);
    metaStore_.save(meta);
}

} // namespace moorkeep
