#pragma once

#include "session.h"

#include <span>
#include <string>

namespace moorkeep::cli {

struct CommandLine {
    GlobalOptions options;
    bool help = false;                 // --help before any command
    bool version = false;              // --version before any command
    std::span<const std::string> rest; // the command and its arguments
};

// Reads the options before the command: --home DIR, --meta FILE (both made
// absolute), --demo, --help, --version.
CommandLine readGlobalOptions(std::span<const std::string> args);

} // namespace moorkeep::cli
