#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/text_file.h"
#include "support/full_disk.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

TEST(FileLimits, FilesOverTheLimitAndEndlessOnesAreNotRead) {
    TempDir dir;
    writeFile(dir.file("ten"), "0123456789");
    EXPECT_EQ(files::readFile(dir.file("ten"), 10).status, files::ReadStatus::ok);
    const files::ReadResult over = files::readFile(dir.file("ten"), 9);
    EXPECT_EQ(over.status, files::ReadStatus::tooLarge);
    EXPECT_TRUE(over.bytes.empty());
    EXPECT_FALSE(files::readUtf8(dir.file("ten"), 9));

    // Not a regular file: never read, so it cannot hang or grow.
    EXPECT_EQ(files::readFile("/dev/zero").status, files::ReadStatus::unreadable);
    // A regular file that claims no size and never ends.
    if (::access("/proc/self/pagemap", R_OK) == 0) {
        EXPECT_EQ(files::readFile("/proc/self/pagemap").status, files::ReadStatus::tooLarge);
    }
}

TEST(WriteFault, AFullDiskLeavesTheOldFileAndNoTemporaryOne) {
    TempDir dir;
    const std::string path = dir.file("config");
    writeFile(path, "Host old\n");
    {
        const FullDisk diskFull;
        try {
            files::writeAtomically(path, std::string(8192, 'x'));
            FAIL() << "the write succeeded on a full disk";
        } catch (const FileError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(readFile(path), "Host old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // The fault ends with its scope.
    files::writeAtomically(path, "Host new\n");
    EXPECT_EQ(readFile(path), "Host new\n");
}

} // namespace
} // namespace moorkeep::test
