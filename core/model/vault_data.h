#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <string>
#include <vector>

namespace moorkeep {

// A full snapshot handed from a store to its callers.
struct VaultData {
    std::vector<SSHKey> keys;
    std::vector<SSHHost> hosts;
    Defaults defaults;
    // What the user should hear of the load: files that could not be used
    // (not read, too large, nested too deep), one sentence each, naming the
    // file. Everything else loaded as usual.
    std::vector<std::string> warnings;

    bool operator==(const VaultData&) const = default;
};

} // namespace moorkeep
