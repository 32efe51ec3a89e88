#include "files/file_error.h"
#include "stores/system_vault_store.h"
#include "support/records.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace moorkeep::test {
namespace {

TEST(ConfigBackupsTest, TheNewestTwentyOfEachFileAreKeptPrivately) {
    TempDir dir;
    const ConfigBackups backups(dir.file("state/backups"));
    for (int i = 0; i < 25; ++i)
        backups.save("/home/me/.ssh/config", "version " + std::to_string(i));
    backups.save("/home/me/.ssh/100%/other", "other");
    EXPECT_EQ(modeOf(backups.folder()), 0700u);

    const auto all = backups.list();
    ASSERT_EQ(all.size(), 21u);
    EXPECT_EQ(all[0].file, "/home/me/.ssh/100%/other");
    EXPECT_EQ(backups.read(all[0]), "other");
    for (std::size_t i = 1; i < all.size(); ++i) {
        EXPECT_EQ(all[i].file, "/home/me/.ssh/config");
        EXPECT_EQ(backups.read(all[i]), "version " + std::to_string(25 - i));
        EXPECT_EQ(all[i].size, backups.read(all[i]).size());
        EXPECT_EQ(modeOf(backups.folder() + "/" + all[i].id), 0600u);
        EXPECT_LT(all[i].time, all[i - 1].time);
    }
    EXPECT_EQ(backups.find(all[3].id)->id, all[3].id);
    EXPECT_FALSE(backups.find("../config"));
}

// A linked folder is used where it leads, and what it leads to keeps its
// owner's mode; the same bytes are never kept twice.
TEST(ConfigBackupsTest, ALinkedFolderKeepsItsTargetsModeAndCopiesDiffer) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("shared"));
    ::chmod(dir.file("shared").c_str(), 0755);
    std::filesystem::create_symlink(dir.file("shared"), dir.file("backups"));
    const ConfigBackups backups(dir.file("backups"));
    EXPECT_TRUE(backups.save("/home/me/.ssh/config", "one"));
    EXPECT_FALSE(backups.save("/home/me/.ssh/config", "one"));
    EXPECT_EQ(modeOf(dir.file("shared")), 0755u);
    EXPECT_EQ(backups.list().size(), 1u);
}

TEST(ConfigBackupsTest, TheFolderFollowsXdgStateHome) {
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string previous = saved ? saved : "";
    setenv("XDG_STATE_HOME", "/state", 1);
    EXPECT_EQ(ConfigBackups::defaultFolder("/home/me"), "/state/Moorkeep/backups");
    setenv("XDG_STATE_HOME", "relative", 1);
    EXPECT_EQ(ConfigBackups::defaultFolder("/home/me"), "/home/me/.local/state/Moorkeep/backups");
    setenv("XDG_STATE_HOME", previous.c_str(), 1);
}

TEST(ConfigBackupsTest, AFailedBackupStopsTheWrite) {
    TempDir home;
    writeFile(home.file("backups"), "a file where the folder should be");
    SystemVaultStore store(SystemVaultStore::Options{.homedir = home.path(),
                                                     .userMetaPath = home.file("meta.json"),
                                                     .backupFolder = home.file("backups")});
    const std::string text = "Host web\n  User a\n";
    writeFile(home.file(".ssh/config"), text);
    try {
        store.saveConfigHost(host("web", "web", "b"), std::nullopt, {});
        ADD_FAILURE() << "the write went ahead";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("Could not back up"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(readFile(home.file(".ssh/config")), text);
}

} // namespace
} // namespace moorkeep::test
