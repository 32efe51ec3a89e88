#pragma once

#include "model/vault_data.h"

namespace moorkeep {

// The sample hosts, keys and defaults of the demo store, built once per
// process.
const VaultData& demoSampleData();

} // namespace moorkeep
