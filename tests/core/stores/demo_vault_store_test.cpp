#include "stores/demo_vault_store.h"
#include "support/records.h"

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

const std::regex upperUuid("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");

// Each store starts from the sample data, whatever another one changed: a
// host of either source, in order, and defaults that name a key.
TEST(DemoVaultStoreTest, EachStoreStartsFromTheSampleDataInOrder) {
    DemoVaultStore first;
    first.deleteHost("1", {});
    first.saveConfigDefaults(test::defaults("me"), {});
    EXPECT_EQ(first.loadData().hosts.size(), 5u);
    const VaultData data = DemoVaultStore().loadData();
    EXPECT_EQ(ids(data.hosts), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(ids(data.keys), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(data.hosts[4].source, HostSource::user);
    EXPECT_EQ(data.defaults.keyId, "2");
}

TEST(DemoVaultStoreTest, SavedNewHostGetsAUuidAndASecondSaveReplacesIt) {
    DemoVaultStore store;
    SSHHost saved = store.saveHost(test::host("new", "10.1.1.1"), {});
    EXPECT_TRUE(std::regex_match(saved.id, upperUuid)) << saved.id;
    EXPECT_EQ(saved.source, HostSource::user);
    saved.user = "changed";
    store.saveHost(saved, {});
    auto hosts = store.loadData().hosts;
    ASSERT_EQ(hosts.size(), 7u);
    EXPECT_EQ(hosts.back(), saved);
}

TEST(DemoVaultStoreTest, KeyChanges) {
    DemoVaultStore store;
    store.deleteKeyMeta("2");
    VaultData data = store.loadData();
    EXPECT_EQ(ids(data.keys), (std::vector<std::string>{"1", "3", "4"}));
    EXPECT_EQ(data.hosts[2].keyId, "2") << "references to a deleted key stay";
    EXPECT_EQ(data.defaults.keyId, "2");

    EXPECT_EQ(store.changePassphrase({"1", "ignored", ""})[0].hasPassphrase, false);
    EXPECT_EQ(store.changePassphrase({"3", "", "new"})[1].hasPassphrase, true);

    const SSHKey key = store.generateKey({"work", "ed25519", std::nullopt, std::nullopt}).back();
    EXPECT_TRUE(std::regex_match(key.id, upperUuid)) << key.id;
    EXPECT_EQ(key.path, "~/.ssh/work");
    EXPECT_EQ(key.publicKey, "ed25519 AAAA...demo work");
    EXPECT_EQ(key.hasPassphrase, false);
}

} // namespace
} // namespace moorkeep
