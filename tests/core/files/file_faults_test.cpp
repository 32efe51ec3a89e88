#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/fresh_replacement.h"
#include "files/text_file.h"
#include "support/full_disk.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace moorkeep::test {
namespace {

// Files over the limit and endless ones are not read; text must be UTF-8.
TEST(FileReading, OnlyWithinTheLimitAndOnlyUtf8IsText) {
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

    // Long runs of ASCII are checked eight bytes at a time: whatever stands
    // around them, at any offset, must be judged as byte by byte.
    const std::string ascii(21, 'a');
    const std::string valid[] = {"é", "€", "𝄞", "\x7f"};
    const std::string invalid[] = {
        "\xc3", "\x80", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82", "\xff"};
    for (std::size_t before = 0; before < 10; ++before) {
        const std::string head = ascii.substr(0, before);
        for (const auto& piece : valid)
            EXPECT_TRUE(files::isValidUtf8(head + piece + ascii)) << before << " " << piece;
        for (const auto& piece : invalid) {
            EXPECT_FALSE(files::isValidUtf8(head + piece + ascii)) << before;
            EXPECT_FALSE(files::isValidUtf8(ascii + head + piece)) << before;
        }
    }
    EXPECT_TRUE(files::isValidUtf8(""));
    EXPECT_TRUE(files::isValidUtf8(ascii + "Host web\n"));
}

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
// then. A file that never stops moving is left as that program wrote it.
TEST(FreshReplacement, AnEditIsMadeAgainOnWhatAnotherProgramWroteMeanwhile) {
    TempDir dir;
    const std::string path = dir.file("config");
    writeFile(path, "Host a\n");
    auto appendAsAnotherProgram = [&](const std::string& line) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        ::close(fd);
    };
    std::vector<std::string> prepared;
    int unprepared = 0;
    const files::FreshEdit change{
        .read = [](const std::string& file) { return files::readBytes(file); },
        .edit =
            [](const std::optional<std::string>& current) {
                return std::optional(current.value_or("") + "Host mine\n");
            },
        .prepare =
            [&](const std::optional<std::string>&, const std::string& next) {
                prepared.push_back(next);
                if (prepared.size() < 3)
                    appendAsAnotherProgram("Host other" + std::to_string(prepared.size()) + "\n");
            },
        .unprepare = [&] { ++unprepared; }};
    EXPECT_TRUE(files::replaceFresh(path, change));
    EXPECT_EQ(readFile(path), "Host a\nHost other1\nHost other2\nHost mine\n");
    EXPECT_EQ(prepared.size(), 3u);
    EXPECT_EQ(unprepared, 2);
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"config"});

    files::FreshEdit restless = change;
    restless.prepare = [&](const std::optional<std::string>&, const std::string&) {
        appendAsAnotherProgram("Host again\n");
    };
    const std::string before = readFile(path);
    EXPECT_THAT([&] { files::replaceFresh(path, restless); },
                testing::ThrowsMessage<FileError>(testing::HasSubstr("kept changing")));
    EXPECT_TRUE(readFile(path).starts_with(before + "Host again\n"));
    EXPECT_EQ(readFile(path).find("Host mine\nHost mine"), std::string::npos);
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"config"});

    // A program that opened the file before it was replaced appends to the
    // old one: that is carried over; a rewrite in place is not an append.
    for (const bool inPlace : {false, true}) {
        writeFile(path, "Host a\n");
        const int replaced = ::open(path.c_str(), O_RDONLY);
        const int other = ::open(path.c_str(), O_WRONLY | (inPlace ? 0 : O_APPEND));
        files::writeAtomically(path, "Host a\nHost mine\n");
        const std::string written = inPlace ? "Host b\nHost late\n" : "Host late\n";
        EXPECT_EQ(::write(other, written.data(), written.size()),
                  static_cast<ssize_t>(written.size()));
        files::carryOverAppends(replaced, path, "Host a\n");
        EXPECT_EQ(readFile(path),
                  inPlace ? "Host a\nHost mine\n" : "Host a\nHost mine\nHost late\n");
        ::close(other);
        ::close(replaced);
    }
}

} // namespace
} // namespace moorkeep::test
