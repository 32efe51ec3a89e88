#include "model/vault_store.h"

#include <stdexcept>

namespace moorkeep {

VaultData VaultStore::loadDataForAliases(const std::set<std::string, std::less<>>& aliases) {
    VaultData data = loadData();
    std::erase_if(data.hosts, [&](const SSHHost& host) { return !aliases.contains(host.alias); });
    return data;
}

std::optional<std::string> VaultStore::preferredTerminal() {
    return std::nullopt;
}

void VaultStore::setPreferredTerminal(const std::optional<std::string>&) {
    throw std::runtime_error("This store keeps no preferences");
}

} // namespace moorkeep
