#include "model/vault_store.h"

namespace moorkeep {

VaultData VaultStore::loadDataForAliases(const std::set<std::string, std::less<>>& aliases) {
    VaultData data = loadData();
    std::erase_if(data.hosts, [&](const SSHHost& host) { return !aliases.contains(host.alias); });
    return data;
}

} // namespace moorkeep
