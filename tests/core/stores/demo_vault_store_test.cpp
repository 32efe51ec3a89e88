#include "stores/demo_vault_store.h"

#include <gtest/gtest.h>
#include <regex>

namespace moorkeep {
namespace {

template <typename T> std::vector<std::string> ids(const std::vector<T>& items) {
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back(item.id);
    return out;
}

bool isUpperUuid(const std::string& text) {
    return std::regex_match(text, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-"
                                             "[0-9A-F]{12}"));
}

TEST(DemoVaultStoreTest, StartsWithTheSampleDataInOrder) {
    DemoVaultStore store;
    VaultData data = store.loadData();
    EXPECT_EQ(ids(data.hosts), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(ids(data.keys), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(data.hosts[0].alias, "prod-web-1");
    EXPECT_EQ(data.hosts[0].extraOptions.size(), 2u);
    EXPECT_EQ(data.hosts[2].port, 2222);
    EXPECT_EQ(data.hosts[3].extraOptions.at("LocalForward"), "5433 localhost:5432");
    EXPECT_EQ(data.hosts[4].source, HostSource::user);
    EXPECT_EQ(data.hosts[5].alias, data.hosts[5].hostname);
    EXPECT_EQ(data.keys[2].type, "rsa-4096");
    EXPECT_EQ(data.keys[2].publicKey.rfind("ssh-rsa ", 0), 0u);
    EXPECT_EQ(data.keys[0].publicKey.rfind("ssh-ed25519 ", 0), 0u);
    EXPECT_EQ(data.keys[1].hasPassphrase, true);
    EXPECT_EQ(data.defaults.keyId, "2");
    EXPECT_EQ(data.defaults.extraOptions.at("SetEnv"), "TERM=xterm-256color");
    EXPECT_EQ(data.defaults.sourceFile, std::nullopt);
}

TEST(DemoVaultStoreTest, SavedNewHostGetsUuidAndReplacesOnSecondSave) {
    DemoVaultStore store;
    SSHHost fresh{"",           "new", "10.1.1.1",        "", 22, std::nullopt,
                  std::nullopt, {},    HostSource::config};
    SSHHost saved = store.saveHost(fresh, {});
    EXPECT_TRUE(isUpperUuid(saved.id)) << saved.id;
    EXPECT_EQ(saved.source, HostSource::user);
    saved.user = "changed";
    store.saveHost(saved, {});
    auto hosts = store.loadData().hosts;
    ASSERT_EQ(hosts.size(), 7u);
    EXPECT_EQ(hosts.back(), saved);
}

TEST(DemoVaultStoreTest, ConfigHostChangesOnlyExistingHosts) {
    DemoVaultStore store;
    SSHHost web = store.loadData().hosts[0];
    web.alias = "renamed";
    EXPECT_EQ(store.saveConfigHost(web, "prod-web-1", {}), web);
    EXPECT_EQ(store.loadData().hosts[0].alias, "renamed");
    SSHHost stranger = web;
    stranger.id = "nope";
    store.saveConfigHost(stranger, std::nullopt, {});
    EXPECT_EQ(store.loadData().hosts.size(), 6u);
}

TEST(DemoVaultStoreTest, DeletesByIdOnly) {
    DemoVaultStore store;
    store.deleteHost("2", {});
    store.deleteHost("no-such-id", {});
    store.deleteConfigHost(store.loadData().hosts[0]);
    EXPECT_EQ(ids(store.loadData().hosts), (std::vector<std::string>{"3", "4", "5", "6"}));
}

TEST(DemoVaultStoreTest, DeletingAKeyLeavesReferencesAlone) {
    DemoVaultStore store;
    store.deleteKeyMeta("2");
    VaultData data = store.loadData();
    EXPECT_EQ(ids(data.keys), (std::vector<std::string>{"1", "3", "4"}));
    EXPECT_EQ(data.hosts[2].keyId, "2");
    EXPECT_EQ(data.hosts[4].keyId, "2");
    EXPECT_EQ(data.defaults.keyId, "2");
}

TEST(DemoVaultStoreTest, RenameTakesOnlyTheName) {
    DemoVaultStore store;
    SSHKey key = store.rescanKeys()[1];
    key.name = "renamed";
    key.type = "changed";
    store.saveKeyMeta(key);
    EXPECT_EQ(store.rescanKeys()[1].name, "renamed");
    EXPECT_EQ(store.rescanKeys()[1].type, "ed25519");
}

TEST(DemoVaultStoreTest, GenerateAppendsADemoKey) {
    DemoVaultStore store;
    auto keys = store.generateKey({"work", "ed25519", std::nullopt, std::nullopt});
    ASSERT_EQ(keys.size(), 5u);
    const SSHKey& key = keys.back();
    EXPECT_TRUE(isUpperUuid(key.id));
    EXPECT_EQ(key.path, "~/.ssh/work");
    EXPECT_EQ(key.publicKey, "ed25519 AAAA...demo work");
    EXPECT_EQ(key.hasPassphrase, false);
    EXPECT_EQ(key.fingerprint.rfind("SHA256:demo-", 0), 0u);
    EXPECT_EQ(key.fingerprint.size(), std::string("SHA256:demo-").size() + 8);
    EXPECT_EQ(key.createdAt.size(), 10u);

    auto withComment = store.generateKey({"ci", "rsa", "secret", ""});
    EXPECT_EQ(withComment.back().publicKey, "rsa AAAA...demo ");
    EXPECT_EQ(withComment.back().hasPassphrase, true);
}

TEST(DemoVaultStoreTest, PassphraseChangeFollowsTheNewPassphrase) {
    DemoVaultStore store;
    EXPECT_EQ(store.changePassphrase({"1", "ignored", ""})[0].hasPassphrase, false);
    EXPECT_EQ(store.changePassphrase({"3", "", "new"})[2].hasPassphrase, true);
    EXPECT_EQ(store.changePassphrase({"unknown", "", "x"}).size(), 4u);
}

TEST(DemoVaultStoreTest, StoresDoNotShareChanges) {
    DemoVaultStore first;
    first.deleteHost("1", {});
    Defaults defaults;
    defaults.user = "me";
    EXPECT_EQ(first.saveConfigDefaults(defaults, {}), defaults);
    DemoVaultStore second;
    EXPECT_EQ(second.loadData().hosts.size(), 6u);
    EXPECT_EQ(second.loadData().defaults.keyId, "2");
}

} // namespace
} // namespace moorkeep
