#pragma once

#include "command_table.h"

namespace moorkeep::cli {

// defaults show, set: the Host * block.
const CommandGroup& defaultsCommands();

} // namespace moorkeep::cli
