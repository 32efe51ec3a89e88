#pragma once

#include "command_table.h"

namespace moorkeep::cli {

// dump: the whole snapshot as JSON.
const Command& dumpCommand();

} // namespace moorkeep::cli
