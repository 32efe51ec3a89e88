#pragma once

#include "stores/vault_store.h"

#include <memory>

// Which store the application works on, decided once at start-up by the
// MOORKEEP_DEMO environment variable.
namespace moorkeep::StoreChoice {

enum class StoreKind { demo, system };

StoreKind kindFromEnvironment();

// The demo store, or the system store for the current user's home and the
// default metadata path.
std::shared_ptr<VaultStore> makeStore(StoreKind kind);

std::shared_ptr<VaultStore> storeFromEnvironment();

} // namespace moorkeep::StoreChoice
