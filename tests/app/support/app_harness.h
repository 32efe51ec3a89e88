#pragma once

#include "app_model.h"
#include "support/fake_vault_store.h"
#include "support/sample_vault.h"

#include <memory>

namespace moorkeep::test {

// A fresh fake store and a model on it. Held calls are released before the
// model goes, as the model waits for its running calls.
struct AppHarness {
    explicit AppHarness(VaultData data = sampleVault())
        : store(std::make_shared<FakeVaultStore>(std::move(data)))
        , model(std::make_unique<AppModel>(store)) {}

    ~AppHarness() {
        store->releaseAll();
        model.reset();
    }

    std::shared_ptr<FakeVaultStore> store;
    std::unique_ptr<AppModel> model;
};

} // namespace moorkeep::test
