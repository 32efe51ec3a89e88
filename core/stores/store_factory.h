#pragma once

#include "stores/vault_store.h"

#include <memory>
#include <optional>
#include <string>

namespace moorkeep {

// What the command line or the application asks of the store it works on.
struct StoreRequest {
    bool demo = false;                       // the demo store, whatever the environment says
    std::optional<std::string> home;         // whose .ssh is used; default: the current user's
    std::optional<std::string> metadataFile; // default: the metadata file of that home
};

// The demo store when asked, or when demoVariable (the value of MOORKEEP_DEMO,
// null when unset) is exactly "1"; otherwise the system store of the request.
std::unique_ptr<VaultStore> makeVaultStore(const StoreRequest& request, const char* demoVariable);

} // namespace moorkeep
