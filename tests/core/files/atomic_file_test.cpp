#include "files/atomic_file.h"
#include "files/file_error.h"
#include "support/full_disk.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

namespace moorkeep::test {
namespace {

TEST(WriteFault, AFullDiskLeavesTheOldFileAndNoTemporaryOne) {
    TempDir dir;
    const std::string path = dir.file("config");
    writeFile(path, "Host old\n");
    {
        const FullDisk diskFull;
        EXPECT_THAT([&] { files::writeAtomically(path, std::string(8192, 'x')); },
                    testing::ThrowsMessage<FileError>(testing::HasSubstr(path)));
    }
    EXPECT_EQ(readFile(path), "Host old\n");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"config"});

    // The fault ends with its scope.
    files::writeAtomically(path, "Host new\n");
    EXPECT_EQ(readFile(path), "Host new\n");
}

// Another program appends to the file (plain POSIX calls) while the change
// is prepared: the edit is made and prepared again on what the file holds

} // namespace
} // namespace moorkeep::test
