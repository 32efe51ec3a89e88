#pragma once

#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <vector>

namespace moorkeep {

// A full snapshot handed from a store to its callers.
struct VaultData {
    std::vector<SSHKey> keys;
    std::vector<SSHHost> hosts;
    Defaults defaults;

    bool operator==(const VaultData&) const = default;
};

} // namespace moorkeep
