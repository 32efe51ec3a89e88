#pragma once

#include "command_table.h"

namespace moorkeep::cli {

// key agent-add and key agent-remove: loading keys into the running
// ssh-agent and taking them out again.
const Command& agentAddCommand();
const Command& agentRemoveCommand();

} // namespace moorkeep::cli
