#pragma once

#include "keys/key_tool.h"
#include "openssh/openssh_check.h"
#include "stores/system_vault_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace moorkeep::test {

// A temporary home for system stores: its .ssh folder, its configuration and
// a metadata file inside it.
class StoreHome : public ::testing::Test {
protected:
    std::string ssh(const std::string& name) const { return home.file(".ssh/" + name); }
    std::string metaPath() const { return home.file("data/moorkeep-config.json"); }
    std::string config() const { return readFile(ssh("config")); }
    void writeConfig(const std::string& text) const { writeFile(ssh("config"), text); }

    // A system store's options for this home, with its metadata and its
    // backups inside it.
    SystemVaultStore::Options onHome(std::string keyTool = keyToolPath,
                                     std::string sshPath = OpenSSHCheck::sshPath) const {
        return {.homedir = home.path(),
                .userMetaPath = metaPath(),
                .keyToolPath = std::move(keyTool),
                .sshPath = std::move(sshPath),
                .backupFolder = home.file("backups")};
    }

    TempDir home;
};

} // namespace moorkeep::test
