#include "model/ascii.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

TEST(AsciiTest, FoldsOnlyCapitalLetters) {
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        const bool capital = byte >= 'A' && byte <= 'Z';
        EXPECT_EQ(asciiLower(c), capital ? static_cast<char>(byte + 32) : c) << byte;
    }
    // Neighbours of the letters and UTF-8 capitals stay as they are.
    EXPECT_EQ(asciiLower("HostName @[`{ \xC3\x89t\xC3\xA9 \xCE\xA3"),
              "hostname @[`{ \xC3\x89t\xC3\xA9 \xCE\xA3");
    EXPECT_EQ(asciiLower(""), "");
}

TEST(AsciiTest, ComparesIgnoringAsciiCaseOnly) {
    EXPECT_TRUE(equalsIgnoringCase("IdentityFile", "identityfile"));
    EXPECT_TRUE(equalsIgnoringCase("", ""));
    EXPECT_FALSE(equalsIgnoringCase("Host", "Hosts"));
    EXPECT_FALSE(equalsIgnoringCase("Hosts", "Host"));
    EXPECT_FALSE(equalsIgnoringCase("@[", "`{"));
    EXPECT_FALSE(equalsIgnoringCase("\xC3\x89", "\xC3\xA9"));
}

} // namespace
} // namespace moorkeep
