#pragma once

#include "command_table.h"

namespace moorkeep::cli {

// check: what is wrong with the OpenSSH set-up.
const Command& checkCommand();

// Warns on standard error, in one line, when ssh refuses the configuration,
// so that what a read prints is not taken as what ssh uses.
void warnIfRefused(Session& session);

} // namespace moorkeep::cli
