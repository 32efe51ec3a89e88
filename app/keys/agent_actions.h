#pragma once

#include "model/agent_state.h"
#include "model/ssh_key.h"

#include <QString>

// What the agent actions of the key detail and the Key menu offer for one
// key, so the two always agree.
namespace moorkeep::AgentActions {

struct Offer {
    bool held = false;      // the agent holds the key
    bool canAdd = false;    // an agent runs, the key is out of it and has its private file
    bool canRemove = false; // an agent runs and holds the key
    QString addTip;         // why not, when canAdd is false; else what it does
    QString removeTip;
};

Offer forKey(const SSHKey& key, const AgentState& agent);

} // namespace moorkeep::AgentActions
