#include "model/vault_error.h"
#include "stores/demo_vault_store.h"
#include "support/records.h"
#include "support/system_store_test.h"

#include <gtest/gtest.h>
#include <regex>
#include <stdexcept>

namespace moorkeep::test {
namespace {

// Each store starts from the sample data, whatever another one changed: a
// host of either source, in order, and defaults that name a key. A new host
// or key gets a UUID; a second save replaces the host; a deleted key's
// references stay.
TEST(DemoVaultStoreTest, EachStoreStartsFromTheSampleDataAndChangesItsOwn) {
    DemoVaultStore first;
    first.deleteHost("1", {});
    first.saveConfigDefaults(defaults("me"), {});
    EXPECT_EQ(first.loadData().hosts.size(), 5u);
    DemoVaultStore store;
    const VaultData sample = store.loadData();
    EXPECT_EQ(ids(sample.hosts), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(ids(sample.keys), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(sample.hosts[4].source, HostSource::user);
    EXPECT_EQ(sample.defaults.keyId, "2");

    SSHHost saved = store.saveHost(host("new", "10.1.1.1"), {});
    EXPECT_TRUE(std::regex_match(saved.id, upperUuid)) << saved.id;
    EXPECT_EQ(saved.source, HostSource::user);
    saved.user = "changed";
    store.saveHost(saved, {});
    auto hosts = store.loadData().hosts;
    ASSERT_EQ(hosts.size(), 7u);
    EXPECT_EQ(hosts.back(), saved);

    EXPECT_THROW(store.deleteKeyMeta("2", {}), VaultError);
    EXPECT_EQ(store.loadData().keys.size(), 4u);
    store.deleteKeyMeta("2", {.evenIfUsed = true});
    const VaultData data = store.loadData();
    EXPECT_EQ(ids(data.keys), (std::vector<std::string>{"1", "3", "4"}));
    EXPECT_EQ(data.hosts[2].keyId, "2") << "references to a deleted key stay";
    EXPECT_EQ(data.defaults.keyId, "2");

    EXPECT_EQ(store.changePassphrase({"1", "ignored", ""})[0].hasPassphrase, false);
    EXPECT_EQ(store.changePassphrase({"3", "", "new"})[1].hasPassphrase, true);

    const SSHKey key = store.generateKey({"work", "ed25519", {}, {}}).back();
    EXPECT_TRUE(std::regex_match(key.id, upperUuid)) << key.id;
    EXPECT_EQ(key.path, "~/.ssh/work");
    EXPECT_EQ(key.publicKey, "ed25519 AAAA...demo work");
    EXPECT_EQ(key.hasPassphrase, false);

    // Its known_hosts keys: forgetting drops a host's, once.
    EXPECT_EQ(store.knownHostKeys("bastion").lookupName, "[bastion.example.com]:2222");
    EXPECT_EQ(store.knownHostKeys("bastion").keys.size(), 2u);
    EXPECT_EQ(store.forgetHostKeys("bastion").lines(), 2u);
    EXPECT_TRUE(store.knownHostKeys("bastion").keys.empty());
    EXPECT_TRUE(store.forgetHostKeys("bastion").files.empty());
    EXPECT_EQ(store.knownHostKeys("github.com").keys.size(), 1u);
}

// Without files the demo has nothing to evaluate, lock, back up or tell,
// and refuses to move a block or put a backup back, changing nothing.
TEST(DemoVaultStoreTest, AStoreWithoutFilesHasNoneOfTheirOperations) {
    DemoVaultStore demo;
    VaultStore& store = demo;
    const VaultData before = store.loadData();
    EXPECT_FALSE(store.storeFiles());
    EXPECT_FALSE(store.evaluator());
    EXPECT_FALSE(store.localUser().empty());
    EXPECT_TRUE(store.listBackups().empty());
    EXPECT_EQ(store.holdChanges(), nullptr);
    EXPECT_THROW(store.moveHostBlock(before.hosts.at(1).alias, "~/.ssh/config", 1),
                 std::runtime_error);
    EXPECT_THROW(store.restoreBackup("any"), std::runtime_error);
    EXPECT_TRUE(store.takeNotices().empty());
    EXPECT_EQ(store.loadData().hosts, before.hosts);
}

} // namespace
} // namespace moorkeep::test
