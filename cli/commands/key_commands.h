#pragma once

#include "command_table.h"

namespace moorkeep::cli {

// key list, show, pub, gen, rename, rm, passwd.
const CommandGroup& keyCommands();

} // namespace moorkeep::cli
