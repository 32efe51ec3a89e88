#include "cli_home.h"
#include "model/input_rules.h"
#include "stores/system_vault_store.h"
#include "support/open_files.h"

#include <filesystem>
#include <future>

// Changes from the terminal, judged by OpenSSH: each finding of a user who
// tried the first versions is one test here.
namespace moorkeep::test {
namespace {

using ConfigSafetyTest = CliTest;

// Only OpenSSH knows its option names; its own words name the real file, and
// the new file it judged is gone with the refusal.
TEST_F(ConfigSafetyTest, AnIncludedFileIsCheckedThroughAnIncludeAndNamedInTheMessage) {
    home.writeConfig("Include config.d/*\n");
    writeFile(home.sshPath("config.d/web"), "Host web\n  HostName w\n");
    home.refused({"host", "edit", "web", "--option", "Bogus=1"}, 1,
                 "~/.ssh/config.d/web: line 3: Bad configuration option: bogus");
    EXPECT_EQ(readFile(home.sshPath("config.d/web")), "Host web\n  HostName w\n");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.sshPath("")))
        EXPECT_THAT(entry.path().filename().string(), testing::Not(testing::StartsWith(".")));
    home.change({"host", "edit", "web", "--user", "u"});
    EXPECT_EQ(readFile(home.sshPath("config.d/web")), "Host web\n  HostName w\n  User u\n");
}

TEST_F(ConfigSafetyTest, AnAliasMustNameOneHost) {
    home.writeConfig("Host web db\n  HostName h\n");
    const std::string message(InputRules::aliasRuleMessage);
    for (const std::string alias : {"a b", "a*", "!a", "a,b", "-oProxyCommand=x", "a\"b", "a;b"}) {
        home.refused({"host", "add", "--hostname", "h", "--", alias}, 2, message);
        home.refused({"host", "edit", "web db", "--alias", alias}, 2, message);
    }
    // A host that has such an alias already can still be changed.
    home.change({"host", "edit", "web db", "--user", "u"});
    EXPECT_EQ(home.config(), "Host web db\n  HostName h\n  User u\n");
    EXPECT_EQ(home.run({"host", "command", "web db"}).out, "ssh web\n");
}

// A host edit that starts while the defaults are being changed works on the
// new defaults, never on what it would have read before: the lock is on the
// configuration, whatever metadata file each program uses.
TEST_F(ConfigSafetyTest, AnEditWaitsForTheChangeInProgressBeforeReading) {
    home.writeConfig("Host web\n  HostName w\n\nHost *\n  User old\n");
    SystemVaultStore store(SystemVaultStore::Options{.homedir = home.home(),
                                                     .userMetaPath = home.home() + "/other.json",
                                                     .backupFolder = home.home() + "/backups"});
    auto locks = std::make_unique<SystemVaultStore::ChangeLocks>(store);
    auto edit = std::async(std::launch::async, [&] {
        return home.run({"host", "edit", "web", "--port", "2022"});
    });
    ASSERT_TRUE(eventually([&] { return openElsewhere(home.sshPath("")); }));
    home.writeConfig("Host web\n  HostName w\n\nHost *\n  User new\n");
    locks.reset();
    EXPECT_EQ(edit.get().status, 0);
    EXPECT_EQ(home.config(), "Host web\n  HostName w\n  Port 2022\n\nHost *\n  User new\n");
}

} // namespace
} // namespace moorkeep::test
