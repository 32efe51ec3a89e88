#pragma once

#include "model/known_host_keys.h"
#include "model/vault_data.h"

#include <map>
#include <string>
#include <vector>

namespace moorkeep {

// The sample hosts, keys and defaults of the demo store, built once per
// process.
const VaultData& demoSampleData();

// The keys the demo's known_hosts file gives, by host alias; the hosts not
// named have none yet.
std::map<std::string, std::vector<KnownHostKey>> demoKnownHostKeys();

} // namespace moorkeep
