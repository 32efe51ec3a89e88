#pragma once

#include "model/agent_state.h"
#include "model/ssh_key.h"

#include <QFuture>
#include <optional>

namespace moorkeep {

class AppModel;
class StoreCalls;

// What the ssh-agent holds, and the changes of it. An answer of the agent
// is dropped when an agent change started or ended while it was on its way;
// each change asks again when it ends.
class AgentCalls {
public:
    AgentCalls(AppModel& model, StoreCalls& store);

    QFuture<void> refreshAgent();
    // Its failure is for the dialog that asked. The request's passphrase is
    // wiped on the worker once the store has used it.
    QFuture<void> addKeyToAgent(const AgentAddOptions& options);
    QFuture<void> removeKeyFromAgent(const SSHKey& key);

private:
    // An agent change ended: the key's fingerprint joins or leaves the
    // published state at once, and the agent is asked again.
    void changeEnded(const std::optional<SSHKey>& key, bool held);

    AppModel& model_;
    StoreCalls& store_;
    unsigned changes_ = 0; // agent changes started and ended
    unsigned reads_ = 0;
    unsigned readApplied_ = 0;
};

} // namespace moorkeep
