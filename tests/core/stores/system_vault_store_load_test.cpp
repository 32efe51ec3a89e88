#include "stores/user_meta_store.h"
#include "system_vault_store_fixture.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace moorkeep::test {
namespace {

struct FileStamp {
    ino_t inode;
    timespec modified;

    static FileStamp of(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return {st.st_ino, st.st_mtim};
    }
    bool operator==(const FileStamp& o) const {
        return inode == o.inode && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

TEST_F(SystemVaultStoreTest, LayoutFollowsTheHome) {
    EXPECT_EQ(store->sshDirectory(), home.path() + "/.ssh");
    EXPECT_EQ(store->configPath(), home.path() + "/.ssh/config");
    EXPECT_EQ(store->expandHome("~/.ssh/id"), home.path() + "/.ssh/id");
    EXPECT_EQ(store->expandHome("/abs/id"), "/abs/id");
    SystemVaultStore defaultMeta(SystemVaultStore::Options{home.path(), std::nullopt});
    EXPECT_EQ(defaultMeta.metaStore().path(), UserMetaStore::defaultPath(home.path()));
}

TEST_F(SystemVaultStoreTest, EmptyHomeLoadsNothingAndWritesAnEmptyCache) {
    VaultData data = store->loadData();
    EXPECT_TRUE(data.keys.empty());
    EXPECT_TRUE(data.hosts.empty());
    EXPECT_EQ(data.defaults, Defaults{});
    auto saved = nlohmann::json::parse(readFile(metaPath()));
    EXPECT_EQ(saved["version"], 1);
    EXPECT_TRUE(saved["keyMeta"].empty());
    EXPECT_TRUE(saved["hosts"].empty());
    EXPECT_TRUE(saved["keyCache"].is_array() && saved["keyCache"].empty());
}

TEST_F(SystemVaultStoreTest, SecondLoadRunsNoToolAndLeavesTheFileAlone) {
    makeKeyPair(ssh("id_ed25519"));
    makeKeyPair(ssh("work"), "ed25519", "secret");
    writeConfig("Host web\n  IdentityFile ~/.ssh/id_ed25519\n");
    VaultData first = store->loadData();
    ASSERT_EQ(first.keys.size(), 2u);
    EXPECT_GT(toolRuns(), 0u);
    const std::size_t runs = toolRuns();
    const FileStamp stamp = FileStamp::of(metaPath());

    VaultData second = makeStore()->loadData();
    EXPECT_EQ(second, first);
    EXPECT_EQ(toolRuns(), runs);
    EXPECT_TRUE(FileStamp::of(metaPath()) == stamp);
    EXPECT_EQ(store->rescanKeys(), first.keys);
    EXPECT_EQ(toolRuns(), runs);
}

TEST_F(SystemVaultStoreTest, IdentityFileNamesTheScannedKey) {
    makeKeyPair(ssh("id_ed25519"));
    writeConfig("Host *\n  User admin\nHost web\n  IdentityFile ~/.ssh/id_ed25519\nHost db\n");
    VaultData data = store->loadData();
    ASSERT_EQ(data.keys.size(), 1u);
    EXPECT_EQ(findHost(data.hosts, "web")->keyId, data.keys[0].id);
    EXPECT_EQ(findHost(data.hosts, "db")->keyId, std::nullopt);
    EXPECT_EQ(findHost(data.hosts, "db")->user, "admin");
    EXPECT_EQ(data.defaults.sourceFile, ssh("config"));
}

TEST_F(SystemVaultStoreTest, StoredHostsHideConfigHostsAndComeLast) {
    writeConfig("Host web\n  HostName config.example\nHost db\nHost cache\n");
    UserMeta meta;
    meta.hosts = {
        {"U1",
         "web",
         "stored.example",
         "me",
         22,
         std::nullopt,
         std::nullopt,
         {},
         HostSource::config},
        {"U2", "lab", "10.0.0.9", "", 2022, std::nullopt, std::nullopt, {}, HostSource::user}};
    UserMetaStore(metaPath()).save(meta);

    auto hosts = store->loadData().hosts;
    std::vector<std::string> aliases;
    for (const auto& h : hosts)
        aliases.push_back(h.alias);
    EXPECT_EQ(aliases, (std::vector<std::string>{"db", "cache", "web", "lab"}));
    EXPECT_EQ(hosts[2].hostname, "stored.example");
    EXPECT_EQ(hosts[2].source, HostSource::user) << "stored hosts are always listed as user hosts";
    EXPECT_EQ(hosts[3].source, HostSource::user);
}

TEST_F(SystemVaultStoreTest, DisplayNamesAreAppliedAndWithdrawn) {
    makeKeyPair(ssh("id_ed25519"));
    SSHKey key = store->loadData().keys.at(0);
    EXPECT_EQ(key.name, "id_ed25519");
    key.name = "Laptop";
    store->saveKeyMeta(key);
    key.name = "Laptop key";
    store->saveKeyMeta(key);
    EXPECT_EQ(store->loadData().keys.at(0).name, "Laptop key");
    EXPECT_EQ(UserMetaStore(metaPath()).load().keyMeta.size(), 1u);

    UserMeta meta = UserMetaStore(metaPath()).load();
    meta.keyMeta.clear();
    UserMetaStore(metaPath()).save(meta);
    EXPECT_EQ(store->rescanKeys().at(0).name, "id_ed25519");
}

TEST_F(SystemVaultStoreTest, CorruptMetadataIsKeptAsideWhenTheCacheIsSaved) {
    writeFile(metaPath(), "{ \"version\": 1, \"hosts\": [ broken");
    EXPECT_TRUE(store->loadData().hosts.empty());
    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(home.file("data"))) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("moorkeep-config.json.unreadable-", 0) == 0) {
            keptAside = true;
            EXPECT_EQ(readFile(entry.path().string()), "{ \"version\": 1, \"hosts\": [ broken");
        }
    }
    EXPECT_TRUE(keptAside);
    EXPECT_EQ(UserMetaStore(metaPath()).load().version, 1);
}

} // namespace
} // namespace moorkeep::test
