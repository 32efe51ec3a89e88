#include "launch/command_words.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace moorkeep;

namespace {

using Words = std::vector<std::string>;

TEST(CommandWordsTest, SplitsAsAShellDoesWithoutExpanding) {
    const std::pair<std::string, Words> cases[] = {
        {"", {}},
        {"  a\tb \n c  ", {"a", "b", "c"}},
        {"'' \"\" x", {"", "", "x"}},
        {"a'b c'\"d e\"f", {"ab cd ef"}},
        {"'\\n \"' \"\\$ \\\" \\\\ \\a '\"", {"\\n \"", "$ \" \\ \\a '"}},
        {"a\\ b \\'c\\", {"a b", "'c\\"}},
        {"a\\\nb \\\n", {"ab"}},
        {"$HOME ~/t *.x #c `x` $(y);z|w", {"$HOME", "~/t", "*.x", "#c", "`x`", "$(y);z|w"}},
    };
    for (const auto& [line, words] : cases)
        EXPECT_EQ(CommandWords::split(line), words) << line;
    const auto unclosed =
        testing::ThrowsMessage<std::invalid_argument>(testing::HasSubstr("never closed"));
    for (const std::string line : {"a 'b", "a \"b", "a \"b\\\""})
        EXPECT_THAT([&] { CommandWords::split(line); }, unclosed) << line;
}

} // namespace
