#include "files/paths.h"
#include "files/text_file.h"
#include "keys/agent_tool.h"
#include "keys/key_scanner.h"
#include "model/vault_error.h"
#include "stores/system_vault_store.h"

namespace moorkeep {

AgentState SystemVaultStore::agentKeys() {
    return AgentTool::query(agentToolPath_);
}

void SystemVaultStore::addKeyToAgent(const AgentAddOptions& options) {
    auto base = KeyScanner::findBaseName(sshDirectory_, options.keyId);
    if (!base)
        throw VaultError::keyNotFound(options.keyId);
    const std::string privatePath = paths::join(sshDirectory_, *base);
    if (!files::exists(privatePath))
        throw VaultError::keyFileNotFound("~/.ssh/" + *base);
    AgentTool::add(privatePath, "~/.ssh/" + *base, options.passphrase, options.lifetimeSeconds,
                   agentToolPath_);
}

void SystemVaultStore::removeKeyFromAgent(const std::string& keyId) {
    auto base = KeyScanner::findBaseName(sshDirectory_, keyId);
    if (!base)
        throw VaultError::keyNotFound(keyId);
    AgentTool::remove(paths::join(sshDirectory_, *base), "~/.ssh/" + *base, agentToolPath_);
}

} // namespace moorkeep
