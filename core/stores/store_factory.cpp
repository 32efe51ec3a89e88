#include "stores/store_factory.h"

#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"

#include <utility>

namespace moorkeep {

std::unique_ptr<VaultStore> makeVaultStore(const StoreRequest& request, const char* demoVariable) {
    if (request.demo || demoRequested(demoVariable))
        return std::make_unique<DemoVaultStore>();
    SystemVaultStore::Options options;
    options.homedir = request.home;
    options.userMetaPath = request.metadataFile;
    return std::make_unique<SystemVaultStore>(std::move(options));
}

} // namespace moorkeep
