#include "session.h"

#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"

#include <cstdlib>
#include <string_view>

namespace moorkeep::cli {

std::unique_ptr<VaultStore> makeStore(const GlobalOptions& options, const char* demoVariable) {
    if (options.demo || demoRequested(demoVariable))
        return std::make_unique<DemoVaultStore>();
    SystemVaultStore::Options storeOptions;
    storeOptions.homedir = options.home;
    storeOptions.userMetaPath = options.meta;
    return std::make_unique<SystemVaultStore>(std::move(storeOptions));
}

Session::Session(GlobalOptions options, Output& output)
    : options_(std::move(options))
    , output_(output) {}

Session::~Session() {
    if (SystemVaultStore* system = store_ ? dynamic_cast<SystemVaultStore*>(store_.get()) : nullptr)
        for (const auto& notice : system->takeNotices())
            output_.warning(notice);
}

VaultStore& Session::store() {
    if (!store_)
        store_ = makeStore(options_, std::getenv("MOORKEEP_DEMO"));
    return *store_;
}

SystemVaultStore* Session::systemStore() {
    return dynamic_cast<SystemVaultStore*>(&store());
}

void Session::beginChange() {
    SystemVaultStore* system = systemStore();
    if (!system || locks_)
        return;
    // A scan may run the key tool for a while; run it before the locks, so
    // that the scan under them finds a fresh cache and runs nothing.
    system->rescanKeys();
    locks_ = std::make_unique<SystemVaultStore::ChangeLocks>(*system);
    data_.reset();
    aliasData_.reset();
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

const VaultData& Session::dataForAliases(const AliasSet& aliases) {
    if (data_)
        return *data_;
    if (!aliasData_ || aliasData_->first != aliases)
        aliasData_.emplace(aliases, store().loadDataForAliases(aliases));
    return aliasData_->second;
}

} // namespace moorkeep::cli
