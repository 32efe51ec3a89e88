#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"

#include <string>
#include <vector>

namespace moorkeep {

// One directive line read from the configuration.
struct ConfigLineSource {
    std::string directive; // keyword as written
    std::string value;
    std::string sourceFile; // standardized path of the file the line came from

    bool operator==(const ConfigLineSource&) const = default;
};

// The files and folders a reading of the configuration depended on: change
// one of them and the next reading may give another result.
struct ConfigFiles {
    // Standardized paths in reading order: the main file (also when it is
    // missing) and every file an Include named that reading met.
    std::vector<std::string> files;
    // Folders whose listing decided which files an Include named: those an
    // Include pattern lists, and those where a named file is missing.
    std::vector<std::string> folders;

    bool operator==(const ConfigFiles&) const = default;
};

struct ParsedConfig {
    std::vector<SSHHost> hosts;
    Defaults defaults;

    bool operator==(const ParsedConfig&) const = default;
};

} // namespace moorkeep
