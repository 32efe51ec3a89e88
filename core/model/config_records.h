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

struct ParsedConfig {
    std::vector<SSHHost> hosts;
    Defaults defaults;

    bool operator==(const ParsedConfig&) const = default;
};

} // namespace moorkeep
