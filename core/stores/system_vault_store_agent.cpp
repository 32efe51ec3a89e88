#include "keys/agent_tool.h"
#include "stores/system_vault_store.h"

namespace moorkeep {

AgentState SystemVaultStore::agentKeys() {
    return AgentTool::query(agentToolPath_);
}

void SystemVaultStore::addKeyToAgent(const AgentAddOptions& options) {
    const KeyFile key = existingPrivateKey(options.keyId);
    AgentTool::add(key.path, key.shown, options.passphrase, options.lifetimeSeconds,
                   agentToolPath_);
}

void SystemVaultStore::removeKeyFromAgent(const std::string& keyId) {
    const KeyFile key = keyFile(keyId);
    AgentTool::remove(key.path, key.shown, agentToolPath_);
}

} // namespace moorkeep
