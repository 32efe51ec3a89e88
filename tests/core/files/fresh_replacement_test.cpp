#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/fresh_replacement.h"
#include "files/text_file.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace moorkeep::test {
namespace {

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
        .edit = [](const auto& current) { return current.value_or("") + "Host mine\n"; },
        .prepare =
            [&](const auto&, const std::string& next) {
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
    restless.prepare = [&](const auto&, const auto&) { appendAsAnotherProgram("Host again\n"); };
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
