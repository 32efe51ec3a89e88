#include "session.h"

#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"

#include <cstdlib>
#include <string_view>

namespace moorkeep::cli {

std::unique_ptr<VaultStore> makeStore(const GlobalOptions& options, const char* demoVariable) {
    if (options.demo || (demoVariable && std::string_view(demoVariable) == "1"))
        return std::make_unique<DemoVaultStore>();
    SystemVaultStore::Options storeOptions;
    storeOptions.homedir = options.home;
    storeOptions.userMetaPath = options.meta;
    return std::make_unique<SystemVaultStore>(std::move(storeOptions));
}

Session::Session(GlobalOptions options, Output& output)
    : options_(std::move(options))
    , output_(output) {}

VaultStore& Session::store() {
    if (!store_)
        store_ = makeStore(options_, std::getenv("MOORKEEP_DEMO"));
    return *store_;
}

const VaultData& Session::data() {
    if (!data_) {
        data_ = store().loadData();
        // Reading goes on without what it could not use; the user hears of
        // it, apart from the output.
        for (const auto& warning : data_->warnings)
            output_.warning(warning);
    }
    return *data_;
}

} // namespace moorkeep::cli
