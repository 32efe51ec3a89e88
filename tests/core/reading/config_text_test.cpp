#include "reading/config_text.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace moorkeep::test {
namespace {

// The lines as a plain split at every line feed gives them, each without a
// carriage return at its end.
std::vector<std::string> plainSplit(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    lines.push_back(line);
    return lines;
}

// Texts of every length around the eight-byte steps, of bytes that are line
// feeds, carriage returns, bytes one bit off a line feed (0x0b, 0x8a, 0x0e)
// and high bytes, which a word-at-a-time search could take for line feeds.
TEST(ConfigTextTest, LinesAreThoseOfAPlainSplitForEveryKindOfByte) {
    const std::string alphabet = std::string("\n\r\x0b\x8a\x0e\xff\x80 aZ\x09", 11) + '\0';
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t size = random() % 70;
        for (std::size_t i = 0; i < size; ++i)
            text += alphabet[random() % alphabet.size()];
        const std::vector<std::string> expected = plainSplit(text);

        std::vector<std::string> seen;
        config::forEachLine(text, [&](std::string_view line, std::size_t index) {
            EXPECT_EQ(index, seen.size());
            seen.emplace_back(line);
        });
        ASSERT_EQ(seen, expected) << "round " << round;
        EXPECT_EQ(config::lineCountOf(text), expected.size());

        const config::ConfigText lines(text);
        ASSERT_EQ(lines.lineCount(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(lines.line(i), expected[i]);
    }
}

TEST(ConfigTextTest, EmptyTextAndTextEndingInALineFeedHaveAnEmptyLastLine) {
    EXPECT_EQ(config::lineCountOf(""), 1u);
    EXPECT_EQ(config::lineCountOf("Host a\n"), 2u);
    const config::ConfigText text("Host a\r\n  Port 22\r\n");
    ASSERT_EQ(text.lineCount(), 3u);
    EXPECT_EQ(text.line(1), "  Port 22");
    EXPECT_EQ(text.line(2), "");
    EXPECT_EQ(text.lineEnd(), "\r\n");
}

} // namespace
} // namespace moorkeep::test
