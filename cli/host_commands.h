#pragma once

#include "command_table.h"

namespace moorkeep::cli {

// host list, show, command, add, edit, rm.
const CommandGroup& hostCommands();

} // namespace moorkeep::cli
