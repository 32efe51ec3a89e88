#pragma once

#include "command_table.h"

namespace moorkeep::cli {

const CommandGroup& backupCommands();

} // namespace moorkeep::cli
