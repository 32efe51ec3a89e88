#include "openssh/ignored_change.h"
#include "support/records.h"
#include "support/ssh_view.h"
#include "support/store_home.h"
#include "support/system_store_test.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;

// A new host gets a fresh id and its block at the end; so do defaults when
// no block is for every host.
TEST_F(SystemVaultStoreTest, NewHostsAndDefaultsAreAppended) {
    writeConfig("# mine\nHost *.example.com\n  User x");
    SSHHost saved = store->saveHost(stored("", "web", "10.0.0.5"), {});
    EXPECT_TRUE(std::regex_match(saved.id, upperUuid)) << saved.id;
    EXPECT_EQ(saved.source, HostSource::config);
    EXPECT_TRUE(meta().load().hosts.empty());
    Defaults readBack = store->saveConfigDefaults(defaults("", 2022, "", "jump"), {});
    EXPECT_EQ(config(), "# mine\nHost *.example.com\n  User x\n\nHost web\n  HostName 10.0.0.5\n"
                        "\nHost *\n  Port 2022\n  ProxyJump jump\n");
    EXPECT_EQ(readBack, (Defaults{"", 2022, "", "jump", {}, ssh("config")}));
}

// Saving a stored host moves it into its block; deleting a stored host takes
// its block too; deleting a block leaves the stored host of that alias.
TEST_F(SystemVaultStoreTest, StoredHostsAndTheirBlocks) {
    writeConfig("Host web\n  HostName old.example\nHost db\nHost lab\n");
    const SSHHost web = stored("U1", "web", "new.example", "me");
    storeHosts(meta(), {web, stored("U2", "web", "other"), stored("U3", "lab", "lab"),
                        stored("U4", "db", "h")});
    EXPECT_EQ(store->saveHost(web, {}).id, "U1");
    EXPECT_EQ(config(), "Host web\n  HostName new.example\n  User me\nHost db\nHost lab\n");
    EXPECT_EQ(aliases(meta().load().hosts), (std::vector<std::string>{"lab(user)", "db(user)"}))
        << "the same alias under another id goes too";
    EXPECT_EQ(aliases(store->loadData().hosts),
              (std::vector<std::string>{"web", "lab(user)", "db(user)"}));
    store->deleteHost("U4", {});
    EXPECT_EQ(config(), "Host web\n  HostName new.example\n  User me\nHost lab\n");
    store->deleteConfigHost(host("lab"));
    EXPECT_EQ(config(), "Host web\n  HostName new.example\n  User me\n");
    EXPECT_EQ(aliases(store->loadData().hosts), (std::vector<std::string>{"web", "lab(user)"}));
}

TEST_F(SystemVaultStoreTest, BlocksAreEditedInTheFileWhereTheyLive) {
    writeConfig("Include config.d/*\n\nHost db\n  User admin\n");
    writeFile(ssh("config.d/web"), "Host web\n\tHostName old\n\nhost *\n  Port 2\n");
    const std::string mainBefore = config();
    const SSHHost renamed = host("www", "new.example", "", 2);
    EXPECT_EQ(store->saveConfigHost(renamed, "web", {}), renamed);
    EXPECT_EQ(readFile(ssh("config.d/web")),
              "Host www\n\tHostName new.example\n\nhost *\n  Port 2\n");
    store->saveConfigDefaults(defaults("ops"), {});
    EXPECT_EQ(readFile(ssh("config.d/web")),
              "Host www\n\tHostName new.example\n\nhost *\n  User ops\n");
    store->deleteConfigHost(host("www"));
    EXPECT_EQ(readFile(ssh("config.d/web")), "\nhost *\n  User ops\n");
    EXPECT_EQ(config(), mainBefore);
}

TEST_F(SystemVaultStoreTest, ChangesThatCannotBeMadeLeaveTheFileAlone) {
    // A pattern block is no host: it is neither edited nor deleted as one.
    const std::string text = "Host web*\n  HostName h\nHost db\n";
    writeConfig(text);
    EXPECT_THROW(store->saveConfigHost(host("web*", "x"), std::nullopt, {}), std::exception);
    EXPECT_THROW(store->saveConfigHost(host("web", "x"), std::nullopt, {}), std::exception);
    EXPECT_THROW(store->deleteConfigHost(host("web*")), std::exception);
    // Nor are values written that would break the file.
    EXPECT_THROW(store->saveHost(stored("", "evil", "h\nHost *\n  ProxyCommand sh"), {}),
                 std::exception);
    EXPECT_THROW(store->saveConfigDefaults(defaults("a\rb"), {}), std::exception);
    EXPECT_EQ(config(), text);
}

// Edits and appends go to where a relative link leads, and the link stays.
TEST_F(SystemVaultStoreTest, SymlinkedCrLfConfigIsWrittenThrough) {
    writeFile(home.file("dotfiles/ssh_config"), "Host web\r\n  User a\r\n");
    fs::create_directories(ssh(""));
    ASSERT_EQ(::symlink("../dotfiles/ssh_config", ssh("config").c_str()), 0);
    store->saveConfigHost(host("web", "web.example"), std::nullopt, {});
    store->saveHost(host("b"), {});
    EXPECT_TRUE(S_ISLNK(statOf(ssh("config")).st_mode));
    EXPECT_EQ(readFile(home.file("dotfiles/ssh_config")),
              "Host web\r\n  HostName web.example\r\n\r\nHost b\r\n");
}

// A change an earlier block overrides names that block; moved above it and
// saved as one change (one backup), the change is what ssh -G uses, the
// block's other lines kept byte for byte. A line that is no header above
// the block is refused with nothing changed.
TEST_F(SystemVaultStoreTest, AnOverriddenChangeNamesTheWinnerAndMovesAboveItInOneChange) {
    writeConfig("Host *.lab\n  Port 7\n\nHost *\n  User admin\n\nHost web\n  User bob\n"
                "  SendEnv  LANG # mine\n");
    const std::string before = config();
    SSHHost changed = store->loadData().hosts.at(0);
    changed.user = "carol";
    try {
        store->saveConfigHost(changed, "web", {});
        ADD_FAILURE() << "not refused";
    } catch (const IgnoredChange& refusal) {
        const auto& winner = refusal.winner();
        EXPECT_EQ(
            std::tuple(winner.header, winner.file, winner.line, winner.movable, winner.defaults),
            std::tuple(std::string("Host *"), ssh("config"), 4u, true, true));
    }
    EXPECT_THROW(store->moveAndSaveConfigHost(changed, "web", {}, 5), FileError);
    EXPECT_EQ(config(), before);
    const std::size_t backups = store->listBackups().size();
    store->moveAndSaveConfigHost(changed, "web", {}, 4);
    EXPECT_EQ(config(), "Host *.lab\n  Port 7\n\nHost web\n  User carol\n  SendEnv  LANG # mine\n"
                        "\nHost *\n  User admin\n");
    EXPECT_EQ(sshView(ssh("config"), "web", home.path()).at("user"),
              std::vector<std::string>{"carol"});
    EXPECT_EQ(store->listBackups().size(), backups + 1);
}

} // namespace
} // namespace moorkeep::test
