#include "stores/unreadable_copy.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace moorkeep {
namespace {

constexpr std::time_t december6 = 1796563815; // 2026-12-06 13:30:15 UTC

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(UnreadableCopyTest, NamesTheCopyAfterTheFileAndTheUtcTime) {
    EXPECT_EQ(UnreadableCopy::nameFor("/d/moorkeep-config.json", december6),
              "/d/moorkeep-config.json.unreadable-20261206T133015Z");
}

TEST(UnreadableCopyTest, KeepsTheExactBytesPrivately) {
    test::TempDir dir;
    const std::string bytes("{\"version\": \x01\xff\x00 broken", 23);
    // A strict umask must not leave the copy unreadable to its owner.
    mode_t previous = ::umask(0277);
    std::string kept = UnreadableCopy::keep(dir.file("meta.json"), bytes, december6);
    ::umask(previous);

    EXPECT_EQ(kept, dir.file("meta.json.unreadable-20261206T133015Z"));
    EXPECT_EQ(test::readFile(kept), bytes);
    EXPECT_EQ(modeOf(kept), 0600);
}

TEST(UnreadableCopyTest, CountsOnInsteadOfReplacingAnEarlierCopy) {
    test::TempDir dir;
    const std::string path = dir.file("meta.json");

    std::string first = UnreadableCopy::keep(path, "first", december6);
    std::string second = UnreadableCopy::keep(path, "second", december6);
    std::string third = UnreadableCopy::keep(path, "third", december6);

    EXPECT_EQ(second, first + "-2");
    EXPECT_EQ(third, first + "-3");
    EXPECT_EQ(test::readFile(first), "first");
    EXPECT_EQ(test::readFile(second), "second");
    EXPECT_EQ(test::readFile(third), "third");
}

} // namespace
} // namespace moorkeep
