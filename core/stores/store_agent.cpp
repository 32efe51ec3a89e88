#include "stores/store_agent.h"

#include "keys/agent_tool.h"

namespace moorkeep {

StoreAgent::StoreAgent(const StorePlaces& places, const KeyPairs& keyPairs)
    : places_(places)
    , keyPairs_(keyPairs) {}

AgentState StoreAgent::keys() const {
    return AgentTool::query(places_.agentToolPath);
}

void StoreAgent::add(const AgentAddOptions& options) const {
    const KeyPairs::KeyFile key = keyPairs_.existingPrivateKey(options.keyId);
    AgentTool::add(key.path, key.shown, options.passphrase, options.lifetimeSeconds,
                   places_.agentToolPath);
}

void StoreAgent::remove(const std::string& keyId) const {
    const KeyPairs::KeyFile key = keyPairs_.keyFile(keyId);
    AgentTool::remove(key.path, key.shown, places_.agentToolPath);
}

} // namespace moorkeep
