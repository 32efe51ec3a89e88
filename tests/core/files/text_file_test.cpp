#include "files/text_file.h"

#include <gtest/gtest.h>
#include <string>

namespace moorkeep::test {
namespace {

// Long runs of ASCII are checked eight bytes at a time: whatever stands
// around them, at any offset, must be judged as byte by byte.
TEST(Utf8Check, EveryOffsetAroundLongAsciiRunsIsJudgedAlike) {
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

} // namespace
} // namespace moorkeep::test
