#include "stores/user_meta_store.h"
#include "system_vault_store_fixture.h"

#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

SSHHost newHost(const std::string& alias, const std::string& hostname) {
    return {"", alias, hostname, "", 22, std::nullopt, std::nullopt, {}, HostSource::user};
}

class SystemStoreHostsTest : public SystemVaultStoreTest {
protected:
    void storeHosts(std::vector<SSHHost> hosts) {
        UserMeta meta;
        meta.hosts = std::move(hosts);
        UserMetaStore(metaPath()).save(meta);
    }
    std::vector<SSHHost> storedHosts() const { return UserMetaStore(metaPath()).load().hosts; }
    std::vector<std::string> aliases() const {
        std::vector<std::string> out;
        for (const auto& h : store->loadData().hosts)
            out.push_back(h.alias + (h.source == HostSource::user ? "(user)" : ""));
        return out;
    }
};

TEST_F(SystemStoreHostsTest, NewHostIsAppendedWithAFreshId) {
    writeConfig("# mine\nHost old\n  User x");
    SSHHost saved = store->saveHost(newHost("web", "10.0.0.5"), {});
    EXPECT_TRUE(std::regex_match(saved.id, std::regex("[0-9A-F-]{36}")));
    EXPECT_EQ(saved.source, HostSource::config);
    EXPECT_EQ(config(), "# mine\nHost old\n  User x\n\nHost web\n  HostName 10.0.0.5\n");
    struct stat st {};
    ASSERT_EQ(::stat(ssh("config").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(storedHosts().empty());
    EXPECT_EQ(aliases(), (std::vector<std::string>{"old", "web"}));
}

TEST_F(SystemStoreHostsTest, SavingAStoredHostMovesItIntoItsBlock) {
    writeConfig("Host web\n  HostName old.example\nHost db\n");
    SSHHost stored{"U1",         "web", "new.example",   "me", 22, std::nullopt,
                   std::nullopt, {},    HostSource::user};
    SSHHost sameAlias{"U2",         "web", "other",         "", 22, std::nullopt,
                      std::nullopt, {},    HostSource::user};
    SSHHost unrelated{"U3", "lab", "lab", "", 22, std::nullopt, std::nullopt, {}, HostSource::user};
    storeHosts({stored, sameAlias, unrelated});

    SSHHost saved = store->saveHost(stored, {});
    EXPECT_EQ(saved.id, "U1");
    EXPECT_EQ(config(), "Host web\n  HostName new.example\n  User me\nHost db\n");
    ASSERT_EQ(storedHosts().size(), 1u);
    EXPECT_EQ(storedHosts()[0].id, "U3");
    EXPECT_EQ(aliases(), (std::vector<std::string>{"web", "db", "lab(user)"}));
}

TEST_F(SystemStoreHostsTest, ConfigHostIsRenamedInPlace) {
    writeConfig("Host a\nHost old\n  HostName h\nHost z\n");
    SSHHost renamed = newHost("new", "h");
    renamed.source = HostSource::config;
    EXPECT_EQ(store->saveConfigHost(renamed, "old", {}), renamed);
    EXPECT_EQ(config(), "Host a\nHost new\n  HostName h\nHost z\n");
    renamed.hostname = "h2";
    store->saveConfigHost(renamed, std::nullopt, {});
    EXPECT_EQ(config(), "Host a\nHost new\n  HostName h2\nHost z\n");
}

TEST_F(SystemStoreHostsTest, BlocksAreEditedInTheFileWhereTheyLive) {
    writeConfig("Include config.d/*\n\nHost *\n  User admin\n");
    writeFile(ssh("config.d/web"), "Host web\n\tHostName old\n");
    const std::string mainBefore = config();

    SSHHost web = newHost("web", "new.example");
    web.source = HostSource::config;
    store->saveConfigHost(web, std::nullopt, {});
    EXPECT_EQ(readFile(ssh("config.d/web")), "Host web\n\tHostName new.example\n");
    EXPECT_EQ(config(), mainBefore);

    store->deleteConfigHost(web);
    EXPECT_EQ(readFile(ssh("config.d/web")), "");
    EXPECT_EQ(config(), mainBefore);
}

TEST_F(SystemStoreHostsTest, UnfindableBlocksFailAndChangeNothing) {
    writeConfig("Host=web\n  HostName h\n");
    storeHosts({{"U1", "web", "h", "", 22, std::nullopt, std::nullopt, {}, HostSource::user}});
    const std::string before = config();
    SSHHost web = newHost("web", "x");
    web.source = HostSource::config;

    EXPECT_THROW(store->saveConfigHost(web, std::nullopt, {}), std::exception);
    EXPECT_THROW(store->deleteConfigHost(web), std::exception);
    EXPECT_THROW(store->deleteHost("U1", {}), std::exception);
    EXPECT_THROW(store->deleteConfigHost(newHost("missing", "m")), std::exception);
    EXPECT_EQ(config(), before);
    EXPECT_EQ(storedHosts().size(), 1u) << "the stored host list is left as it was";
}

TEST_F(SystemStoreHostsTest, DeleteHostRemovesStoredHostAndItsBlock) {
    writeConfig("Host web\n  User a\n\nHost db\n");
    storeHosts({{"U1", "web", "h", "", 22, std::nullopt, std::nullopt, {}, HostSource::user},
                {"U2", "lab", "h", "", 22, std::nullopt, std::nullopt, {}, HostSource::user}});
    store->deleteHost("U2", {});
    EXPECT_EQ(config(), "Host web\n  User a\n\nHost db\n");
    store->deleteHost("U1", {});
    EXPECT_EQ(config(), "\nHost db\n") << "the blank line after the block stays";
    EXPECT_TRUE(storedHosts().empty());
    EXPECT_NO_THROW(store->deleteHost("nobody", {}));
}

TEST_F(SystemStoreHostsTest, DeleteConfigHostLeavesStoredHostOfThatAlias) {
    writeConfig("Host web\n");
    storeHosts({{"U1", "web", "h", "", 22, std::nullopt, std::nullopt, {}, HostSource::user}});
    SSHHost web = newHost("web", "web");
    web.source = HostSource::config;
    store->deleteConfigHost(web);
    EXPECT_EQ(config(), "");
    EXPECT_EQ(aliases(), std::vector<std::string>{"web(user)"});
}

TEST_F(SystemStoreHostsTest, DefaultsAreRewrittenWhereTheBlockLives) {
    writeConfig("Host web\n\nhost   *\n    User old\n    Port 2200\n");
    Defaults defaults;
    defaults.user = "admin";
    defaults.extraOptions = {{"b", "2"}, {"A", "1"}};
    Defaults readBack = store->saveConfigDefaults(defaults, {});
    EXPECT_EQ(config(), "Host web\n\nhost   *\n    User admin\n    A 1\n    b 2\n");
    EXPECT_EQ(readBack.user, "admin");
    EXPECT_EQ(readBack.port, 22);
    EXPECT_EQ(readBack.sourceFile, ssh("config"));
}

TEST_F(SystemStoreHostsTest, DefaultsWithoutAStarBlockGetOneAtTheEnd) {
    writeConfig("Host *.example.com\n  User x\nHost web\n");
    Defaults defaults;
    defaults.port = 2022;
    defaults.proxyJump = "jump";
    Defaults readBack = store->saveConfigDefaults(defaults, {});
    EXPECT_EQ(config(), "Host *.example.com\n  User x\nHost web\n\nHost *\n  Port 2022\n"
                        "  ProxyJump jump\n");
    EXPECT_EQ(readBack.port, 2022);
    EXPECT_EQ(readBack.proxyJump, "jump");
}

TEST_F(SystemStoreHostsTest, LineBreaksInValuesAreRefusedBeforeWriting) {
    writeConfig("Host web\n");
    SSHHost injected = newHost("evil", "h\nHost *\n  ProxyCommand sh");
    EXPECT_THROW(store->saveHost(injected, {}), std::exception);
    Defaults defaults;
    defaults.user = "a\rb";
    EXPECT_THROW(store->saveConfigDefaults(defaults, {}), std::exception);
    EXPECT_EQ(config(), "Host web\n");
}

TEST_F(SystemStoreHostsTest, ConfigThatIsNotUtf8IsNeverReplaced) {
    writeConfig("Host web\n  User \xff\n");
    EXPECT_THROW(store->saveHost(newHost("db", "db.example"), {}), std::exception);
    EXPECT_EQ(config(), "Host web\n  User \xff\n");
}

TEST_F(SystemStoreHostsTest, SymlinkedConfigIsWrittenThrough) {
    writeFile(home.file("dotfiles/ssh_config"), "Host web\r\n  User a\r\n");
    ::mkdir(ssh("").c_str(), 0700);
    ASSERT_EQ(::symlink(home.file("dotfiles/ssh_config").c_str(), ssh("config").c_str()), 0);
    SSHHost web = newHost("web", "web.example");
    web.source = HostSource::config;
    store->saveConfigHost(web, std::nullopt, {});
    struct stat st {};
    ASSERT_EQ(::lstat(ssh("config").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(home.file("dotfiles/ssh_config")), "Host web\r\n  HostName web.example\r\n");
}

} // namespace
} // namespace moorkeep::test
