#include "store_choice.h"

#include "stores/demo_vault_store.h"
#include "stores/store_factory.h"

#include <cstdlib>

namespace moorkeep::StoreChoice {

StoreKind kindFromEnvironment() {
    return demoRequested(std::getenv("MOORKEEP_DEMO")) ? StoreKind::demo : StoreKind::system;
}

std::shared_ptr<VaultStore> makeStore(StoreKind kind) {
    return makeVaultStore({.demo = kind == StoreKind::demo, .home = {}, .metadataFile = {}},
                          nullptr);
}

std::shared_ptr<VaultStore> storeFromEnvironment() {
    return makeStore(kindFromEnvironment());
}

} // namespace moorkeep::StoreChoice
