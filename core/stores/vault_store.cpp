#include "stores/vault_store.h"

#include "model/agent_error.h"

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

namespace {

constexpr const char* noAgent = "No ssh-agent is running (this store has none)";

} // namespace

AgentState VaultStore::agentKeys() {
    return {.problem = noAgent, .fingerprints = {}};
}

void VaultStore::addKeyToAgent(const AgentAddOptions&) {
    throw AgentError::notRunning(noAgent);
}

void VaultStore::removeKeyFromAgent(const std::string&) {
    throw AgentError::notRunning(noAgent);
}

std::vector<std::string> VaultStore::takeNotices() {
    return {};
}

} // namespace moorkeep
