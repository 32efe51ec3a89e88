#include "files/file_error.h"
#include "files/text_file.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

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

// Compared a piece at a time: a difference anywhere, in the last piece
// only, or a file longer or shorter than the bytes, is seen.
TEST(FileReading, HoldsBytesOnlyWhenEveryByteIsTheSame) {
    TempDir dir;
    std::string large(200000, 'x');
    large[131071] = 'y';
    writeFile(dir.file("large"), large);
    EXPECT_TRUE(files::holdsBytes(dir.file("large"), large));
    std::string last = large;
    last.back() = 'z';
    EXPECT_FALSE(files::holdsBytes(dir.file("large"), last));
    std::string atPieceEnd = large;
    atPieceEnd[65535] = 'z';
    EXPECT_FALSE(files::holdsBytes(dir.file("large"), atPieceEnd));
    EXPECT_FALSE(files::holdsBytes(dir.file("large"), large.substr(0, large.size() - 1)));
    EXPECT_FALSE(files::holdsBytes(dir.file("large"), large + "x"));

    writeFile(dir.file("empty"), "");
    EXPECT_TRUE(files::holdsBytes(dir.file("empty"), ""));
    EXPECT_FALSE(files::holdsBytes(dir.file("missing"), ""));
    EXPECT_FALSE(files::holdsBytes(dir.path(), ""));
    EXPECT_FALSE(files::holdsBytes("/dev/zero", ""));
}

} // namespace
} // namespace moorkeep::test
