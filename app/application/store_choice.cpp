#include "store_choice.h"

#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"

#include <cstdlib>

namespace moorkeep::StoreChoice {

StoreKind kindFromEnvironment() {
    return demoRequested(std::getenv("MOORKEEP_DEMO")) ? StoreKind::demo : StoreKind::system;
}

std::shared_ptr<VaultStore> makeStore(StoreKind kind) {
    if (kind == StoreKind::demo)
        return std::make_shared<DemoVaultStore>();
    return std::make_shared<SystemVaultStore>();
}

std::shared_ptr<VaultStore> storeFromEnvironment() {
    return makeStore(kindFromEnvironment());
}

} // namespace moorkeep::StoreChoice
