#pragma once

#include "command_table.h"

namespace moorkeep::cli {

// key rm and key recreate-pub: the commands that remove or add a key's files.
const Command& keyRemoveCommand();
const Command& keyRecreatePublicCommand();

} // namespace moorkeep::cli
