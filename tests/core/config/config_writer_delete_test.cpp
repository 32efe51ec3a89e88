#include "config/config_writer.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

struct DeleteCase {
    std::string name;
    std::string before;
    std::string alias;
    std::string expected;
    friend void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.name; }
};

class DeleteHostBlock : public testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteHostBlock, RemovesTheBlockAndTheBlankLinesBeforeIt) {
    const DeleteCase& c = GetParam();
    EXPECT_EQ(ConfigWriter::deleteHostBlock(c.before, c.alias), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DeleteHostBlock,
    testing::Values(
        DeleteCase{"MiddleBlock", "Host a\n  User x\n\nHost web\n  User y\n\nHost c\n", "web",
                   "Host a\n  User x\n\nHost c\n"},
        DeleteCase{"FirstBlockAfterGlobalLines", "ServerAliveInterval 5\n\n\nHost web\n  User y\n",
                   "web", "ServerAliveInterval 5\n"},
        DeleteCase{"OnlyBlockAfterBlankLines", "\n \n\t\nHost web\n  User y\n\n# end\n", "web",
                   "\n# end\n"},
        DeleteCase{"OnlyBlock", "Host web\n  User y\n", "web", ""},
        DeleteCase{"CommentAboveSeparatedByBlankKept", "# web\n\nHost web\n  User y\n", "web",
                   "# web\n"},
        DeleteCase{"CommentDirectlyAboveKept", "# web\nHost web\n  User y\nHost c\n", "web",
                   "# web\nHost c\n"},
        DeleteCase{"TrailingCommentsKept",
                   "Host web\n  User y\n  # inside\n  Port 2\n  # after\n\nHost c\n", "web",
                   "  # after\n\nHost c\n"},
        DeleteCase{"IncludeInsideBlockGoes", "Host web\n  Include extra\n\nHost c\n", "web",
                   "\nHost c\n"},
        DeleteCase{"LastBlockWithoutFinalLineFeed", "Host a\n\nHost web\n  User y", "web",
                   "Host a"},
        DeleteCase{"CrLfText", "Host a\r\n\r\nHost web\r\n  User y\r\n\r\nHost c\r\n", "web",
                   "Host a\r\n\r\nHost c\r\n"},
        DeleteCase{"CrLfLastBlockWithoutFinalLineEnd", "Host a\r\n\r\nHost web\r\n  User y", "web",
                   "Host a"},
        DeleteCase{"NotThere", "Host a\n  User x\n", "web", "Host a\n  User x\n"},
        DeleteCase{"HeaderJoinedWithEquals", "Host=web\n  User x\n", "web", "Host=web\n  User x\n"},
        DeleteCase{"DefaultsBlockByItsPattern", "Host *\n  User x\n\nHost a\n", "*", "\nHost a\n"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace moorkeep
