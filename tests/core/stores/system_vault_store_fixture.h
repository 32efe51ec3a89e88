#pragma once

#include "stores/system_vault_store.h"
#include "support/key_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <memory>

namespace moorkeep::test {

// A system store on a fresh temporary home whose key tool records its runs.
class SystemVaultStoreTest : public ::testing::Test {
protected:
    SystemVaultStoreTest()
        : toolLog(tools.file("runs.log"))
        , store(makeStore()) {}

    std::unique_ptr<SystemVaultStore> makeStore() const {
        SystemVaultStore::Options options;
        options.homedir = home.path();
        options.userMetaPath = metaPath();
        options.keyToolPath = recordingKeyTool(tools.path(), toolLog);
        return std::make_unique<SystemVaultStore>(options);
    }

    std::string ssh(const std::string& name) const { return home.file(".ssh/" + name); }
    std::string metaPath() const { return home.file("data/moorkeep-config.json"); }
    std::size_t toolRuns() const { return lineCount(toolLog); }
    void writeConfig(const std::string& text) const { writeFile(ssh("config"), text); }
    std::string config() const { return readFile(ssh("config")); }

    const SSHHost* findHost(const std::vector<SSHHost>& hosts, const std::string& alias) const {
        for (const auto& h : hosts)
            if (h.alias == alias)
                return &h;
        return nullptr;
    }

    TempDir home;
    TempDir tools;
    std::string toolLog;
    std::unique_ptr<SystemVaultStore> store;
};

} // namespace moorkeep::test
