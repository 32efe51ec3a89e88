#include "files/file_error.h"
#include "metadata/user_meta_store.h"
#include "model/vault_error.h"
#include "stores/store_lock.h"
#include "support/key_files.h"
#include "support/store_home.h"
#include "support/system_store_test.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace moorkeep::test {
namespace {

// A stored host hides the configuration's host of its alias (whatever
// source it was saved with) and comes after the configuration's hosts.
TEST_F(SystemVaultStoreTest, LoadingSomeAliasesGivesTheirHostsAsAFullLoadDoes) {
    makeKeyPair(ssh("id_ed25519"));
    writeConfig("Host web\n  IdentityFile ~/.ssh/id_ed25519\nHost db\nHost lab\n  Port 2\n"
                "Host db\n  User again\nHost *\n  User admin\n");
    SSHHost lab = stored("U1", "lab", "stored.example");
    lab.source = HostSource::config;
    storeHosts(meta(), {lab, stored("U2", "only", "10.0.0.9"), stored("U3", "only", "10.0.0.10")});
    const VaultData full = store->loadData();
    ASSERT_EQ(aliases(full.hosts), (std::vector<std::string>{"web", "db", "db", "lab(user)",
                                                             "only(user)", "only(user)"}));
    for (const std::set<std::string, std::less<>>& only :
         std::vector<std::set<std::string, std::less<>>>{
             {"db"}, {"lab"}, {"only", "web"}, {"missing"}, {}}) {
        VaultData expected = full;
        std::erase_if(expected.hosts, [&](const SSHHost& h) { return !only.contains(h.alias); });
        EXPECT_EQ(store->loadDataForAliases(only), expected) << only.size();
    }
}

// A reading of some aliases leaves out the option lines of other plain
// hosts' blocks, but not of a block OpenSSH applies to them all the same
// (one of the names of a block of several), not their Include lines and the
// files those read, and not a CertificateFile line, whose certificate joins
// its key.
TEST_F(SystemVaultStoreTest, ReadingSomeAliasesLeavesOutOnlyWhatTheyDoWithout) {
    makeKeyPair(ssh("id_ed25519"));
    std::filesystem::create_directories(home.file("certs"));
    makeKeyPair(home.file("certs/ca"));
    ASSERT_EQ(
        std::system(("/usr/bin/ssh-keygen -q -s '" + home.file("certs/ca") +
                     "' -I desk -n alice '" + ssh("id_ed25519.pub") + "' >/dev/null 2>&1 && mv '" +
                     ssh("id_ed25519-cert.pub") + "' '" + home.file("certs/desk-cert.pub") + "'")
                        .c_str()),
        0);
    writeConfig("Host other\n\tPort=2\n  CertificateFile ~/certs/desk-cert.pub\n"
                "  Include ~/.ssh/inner\n  User after-include\n"
                "Host dual d.example\n  HostName dual.example\n"
                "Host dual\n  User second-block\n"
                "Host web\n  HostName web.example\n  Port 3\n"
                "Host third\n  IdentityFile ~/.ssh/id_ed25519\n"
                "Host *\n  IdentityFile ~/.ssh/id_ed25519\n");
    writeFile(ssh("inner"), "Port 9\nHost web\n  ProxyJump jump\n");
    const VaultData full = store->loadData();
    ASSERT_EQ(full.keys.size(), 1u);
    ASSERT_EQ(full.keys[0].certificates.size(), 1u);
    for (const std::set<std::string, std::less<>>& only :
         std::vector<std::set<std::string, std::less<>>>{
             {"web"}, {"other"}, {"dual d.example"}, {"third", "dual"}}) {
        VaultData expected = full;
        std::erase_if(expected.hosts, [&](const SSHHost& h) { return !only.contains(h.alias); });
        EXPECT_EQ(store->loadDataForAliases(only), expected) << *only.begin();
    }
    const SSHHost dual = store->loadDataForAliases({"dual d.example"}).hosts.at(0);
    EXPECT_EQ(dual.user, "second-block");
    const SSHHost web = store->loadDataForAliases({"web"}).hosts.at(0);
    EXPECT_EQ(web.port, 3);
    // The Include stands in a block of another host: OpenSSH applies
    // none of what it reads to web.
    EXPECT_FALSE(web.proxyJump);
}

// A configuration long enough to be read in two parts: the hosts handed
// over, part by part, then those the snapshot keeps, are a full load's, and
// so is everything else the snapshot holds.
TEST_F(SystemVaultStoreTest, HandingOverTheHostsGivesThemAsAFullLoadDoes) {
    makeKeyPair(ssh("id_ed25519"));
    makeKeyPair(ssh("id_work"));
    std::string config = "Host *\n  ServerAliveInterval 30\nInclude ~/.ssh/lab\n";
    for (int i = 0; i < 1500; ++i) {
        config += "Host h" + std::to_string(i) + (i % 7 ? "" : " h" + std::to_string(i) + ".alt") +
                  "\n  Port " + std::to_string(2000 + i % 50) + "\n";
        if (i % 3 == 0)
            config += "  IdentityFile ~/.ssh/id_work\n  serveraliveinterval 10\n";
        if (i % 500 == 250)
            config += "Match host h1*\n  User matched\nHost *.lab !h3\n  ProxyJump jump\n";
        if (i % 600 == 0)
            config += "Host h" + std::to_string(i) + "\n  User second\n";
    }
    writeConfig(config + "Host *\n  User everyone\n  IdentityFile ~/.ssh/id_ed25519\n");
    writeFile(ssh("lab"), "Host pi\n  HostName pi.lab\n");
    storeHosts(meta(), {stored("U1", "h1200", "stored.example")});

    const VaultData full = store->loadData();
    ASSERT_GT(full.hosts.size(), 1500u);
    // Without the facts, a host keeps only its block's place of them.
    std::vector<SSHHost> placesOnly = full.hosts;
    for (SSHHost& host : placesOnly) {
        HostFacts placeOnly;
        placeOnly.block = host.facts.block;
        host.facts = placeOnly;
    }
    for (const bool withFacts : {true, false}) {
        std::vector<SSHHost> parts[2];
        VaultData rest = store->loadDataHandingOverHosts(
            [&](int part, SSHHost&& host) { parts[part].push_back(std::move(host)); }, withFacts);
        ASSERT_FALSE(parts[0].empty());
        ASSERT_FALSE(parts[1].empty());
        std::vector<SSHHost> handed = std::move(parts[0]);
        handed.insert(handed.end(), parts[1].begin(), parts[1].end());
        handed.insert(handed.end(), rest.hosts.begin(), rest.hosts.end());
        EXPECT_TRUE(handed == (withFacts ? full.hosts : placesOnly)) << withFacts;
        rest.hosts = full.hosts;
        EXPECT_EQ(rest, full);
    }
}

// A display name replaces the last one and goes with its metadata entry;
// deleting a key takes both files and its name, and may be done twice. A key
// that hosts use is refused, naming them, unless the caller overrides.
TEST_F(SystemVaultStoreTest, DisplayNamesAndDeletingAKey) {
    makeKeyPair(ssh("old"));
    makeKeyPair(ssh("keep"));
    SSHKey old = keyNamed(store->loadData().keys, "old");
    old.name = "Laptop";
    store->saveKeyMeta(old);
    old.name = "Old key";
    store->saveKeyMeta(old);
    EXPECT_EQ(keyNamed(store->loadData().keys, "Old key").id, old.id);
    UserMeta saved = meta().load();
    EXPECT_EQ(saved.keyMeta.size(), 1u);
    saved.keyMeta.clear();
    meta().save(saved);
    EXPECT_EQ(keyNamed(store->rescanKeys(), "old").id, old.id);

    store->saveKeyMeta(old);
    writeConfig("Host web\n  IdentityFile ~/.ssh/old\nHost api\n  User u\nHost *\n"
                "  IdentityFile ~/.ssh/old\n");
    const auto deleteUsed = [&] { store->deleteKeyMeta(old.id, {}); };
    EXPECT_EQ(failureOf(deleteUsed).value_or(Failure{}).first, VaultError::Kind::keyInUse);
    EXPECT_THAT(deleteUsed, testing::ThrowsMessage<VaultError>(
                                "Remove key from all hosts first: Old key is used by web, api"));
    EXPECT_EQ(entries(ssh("")),
              (std::vector<std::string>{"config", "keep", "keep.pub", "old", "old.pub"}));
    EXPECT_EQ(meta().load().keyMeta.size(), 1u);
    store->deleteKeyMeta(old.id, {.evenIfUsed = true});
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"config", "keep", "keep.pub"}));
    EXPECT_TRUE(meta().load().keyMeta.empty());
    EXPECT_NO_THROW(store->deleteKeyMeta(old.id, {}));
    EXPECT_EQ(store->rescanKeys().size(), 1u);
    store->deleteKeyMeta(keyNamed(store->loadData().keys, "keep").id, {});
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"config"}));
}

// Through the interface, the store names its home and configuration, says
// what OpenSSH makes of the files, holds the change locks until the hold
// goes, moves a block, lists the backup a change took and puts it back.
TEST_F(SystemVaultStoreTest, TheInterfaceReachesTheFilesOfItsHome) {
    writeConfig("Host web\n  HostName web.example.org\nHost db\n  User admin\n");
    VaultStore& files = *store;
    ASSERT_TRUE(files.storeFiles());
    EXPECT_EQ(files.storeFiles()->home, home.path());
    EXPECT_EQ(files.storeFiles()->configPath, ssh("config"));
    EXPECT_EQ(files.storeFiles()->displayPath(ssh("config")), "~/.ssh/config");
    EXPECT_EQ(files.storeFiles()->expandHome("~/.ssh/id"), ssh("id"));
    const auto evaluator = files.evaluator();
    ASSERT_TRUE(evaluator);
    const HostEvaluation web = evaluator->evaluate("web", files.localUser());
    EXPECT_TRUE(std::ranges::any_of(web.effective, [](const EffectiveValue& value) {
        return value.keyword == "hostname" && value.value == "web.example.org";
    }));

    {
        const auto hold = files.holdChanges();
        ASSERT_NE(hold, nullptr);
        EXPECT_NE(StoreLock::holdOf(store->sshDirectory()), 0u);
    }
    EXPECT_EQ(StoreLock::holdOf(store->sshDirectory()), 0u);

    const std::string before = config();
    files.moveHostBlock("db", "~/.ssh/config", 1);
    EXPECT_EQ(config(), "Host db\n  User admin\n\nHost web\n  HostName web.example.org\n");
    const auto backups = files.listBackups();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].file, ssh("config"));
    files.restoreBackup(backups[0].id);
    EXPECT_EQ(config(), before);
}

// Each thread's calls take their own changes; reverting one puts the file
// back from its backup, and reverting that revert makes the change again,
// while the file still holds what was written.
TEST_F(SystemVaultStoreTest, ChangesAreRevertedFromTheirBackupsWhileTheFileHoldsThem) {
    VaultStore& files = *store;
    files.saveHost(host("web", "w"), {});
    auto created = files.takeConfigChanges();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].file, ssh("config"));
    EXPECT_FALSE(created[0].backupId);
    const std::string one = config();

    std::thread([&] { files.saveHost(host("db", "d"), {}); }).join();
    EXPECT_TRUE(files.takeConfigChanges().empty());
    const std::string two = config();
    files.restoreBackup(files.listBackups().at(0).id);
    auto restored = files.takeConfigChanges();
    ASSERT_EQ(restored.size(), 1u);
    EXPECT_EQ(config(), one);

    files.revertConfigChanges(restored);
    EXPECT_EQ(config(), two);
    auto redo = files.takeConfigChanges();
    files.revertConfigChanges(redo);
    EXPECT_EQ(config(), one);
    EXPECT_TRUE(files.takeConfigChanges().size() == 1u);

    writeConfig(one + "Host edited\n");
    EXPECT_THROW(
        {
            try {
                files.revertConfigChanges(redo);
            } catch (const FileError& error) {
                EXPECT_STREQ(error.what(),
                             "~/.ssh/config was changed since, so it was not put back as it was.");
                throw;
            }
        },
        FileError);
    EXPECT_EQ(config(), one + "Host edited\n");
    EXPECT_TRUE(files.takeConfigChanges().empty());

    writeConfig(one);
    files.revertConfigChanges(created);
    EXPECT_EQ(config(), "");
    const auto emptied = files.takeConfigChanges();
    ASSERT_EQ(emptied.size(), 1u);
    const auto texts = files.backupTexts(emptied[0].backupId.value_or(""));
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->backup, one);
    EXPECT_EQ(texts->current, "");
    EXPECT_FALSE(files.backupTexts("none"));
}

// Under the change locks a load scans the keys on the thread that holds
// them, so a key that is new then is read and kept in the cache at once.
TEST_F(SystemVaultStoreTest, ALoadUnderTheLocksKeepsANewKeyInTheCache) {
    writeConfig("Host web\n  IdentityFile ~/.ssh/fresh\n");
    store->loadData();
    SystemVaultStore::ChangeLocks locks(*store);
    makeKeyPair(ssh("fresh"));
    const VaultData data = store->loadData();
    ASSERT_EQ(data.keys.size(), 1u);
    EXPECT_EQ(data.hosts.at(0).keyId, data.keys[0].id);
    EXPECT_EQ(meta().load().keyCache.value_or(std::vector<KeyCacheEntry>{}).size(), 1u);
}

} // namespace
} // namespace moorkeep::test
