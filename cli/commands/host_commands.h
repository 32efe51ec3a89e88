#pragma once

#include "command_table.h"

namespace moorkeep::cli {

// host list, show, command, connect, add, edit, move, rm.
const CommandGroup& hostCommands();

} // namespace moorkeep::cli
