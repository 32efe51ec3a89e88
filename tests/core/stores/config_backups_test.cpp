#include "metadata/user_meta_store.h"
#include "stores/config_backups.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The newest twenty of each file are kept privately. A linked folder is
// used where it leads, and what it leads to keeps its owner's mode; the same
// bytes are never kept twice.
TEST(ConfigBackupsTest, TheNewestTwentyOfEachFileAreKeptPrivatelyAndOnce) {
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

    fs::create_directories(dir.file("shared"));
    ::chmod(dir.file("shared").c_str(), 0755);
    fs::create_symlink(dir.file("shared"), dir.file("linked"));
    const ConfigBackups linked(dir.file("linked"));
    const ConfigBackups::Saved first = linked.save("/home/me/.ssh/config", "one");
    EXPECT_TRUE(first.isNew);
    // The same bytes again are the backup that holds them already.
    const ConfigBackups::Saved again = linked.save("/home/me/.ssh/config", "one");
    EXPECT_FALSE(again.isNew);
    EXPECT_EQ(again.id, first.id);
    EXPECT_EQ(modeOf(dir.file("shared")), 0755u);
    EXPECT_EQ(linked.list().size(), 1u);
}

// The metadata and the backups go under their XDG folder when it is an
// absolute path, and under the home's default folders otherwise.
TEST(DefaultFoldersTest, FollowOnlyAnAbsoluteXdgFolder) {
    for (const auto& value : {std::optional<std::string>(), std::optional<std::string>("relative"),
                              std::optional<std::string>("/srv")}) {
        SCOPED_TRACE(value.value_or("unset"));
        const ScopedEnv data("XDG_DATA_HOME", value), state("XDG_STATE_HOME", value);
        const bool absolute = value == "/srv";
        EXPECT_EQ(UserMetaStore::defaultPath("/home/ann"),
                  std::string(absolute ? "/srv" : "/home/ann/.local/share") +
                      "/Moorkeep/moorkeep-config.json");
        EXPECT_EQ(ConfigBackups::defaultFolder("/home/ann"),
                  std::string(absolute ? "/srv" : "/home/ann/.local/state") + "/Moorkeep/backups");
    }
}

} // namespace
} // namespace moorkeep::test
