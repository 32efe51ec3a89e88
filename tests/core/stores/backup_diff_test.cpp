#include "stores/backup_diff.h"

#include <gtest/gtest.h>

namespace moorkeep::test {
namespace {

struct DiffCase {
    const char* name;
    const char* from;
    const char* to;
    std::size_t context;
    // One mark a line: ' ' same, '-' removed, '+' added, '~' a gap.
    const char* expected;
};

std::string marked(const std::vector<BackupDiff::Line>& lines) {
    std::string out;
    for (const auto& line : lines) {
        static constexpr char marks[] = {' ', '-', '+', '~'};
        out += marks[static_cast<int>(line.kind)] + line.text + "|";
    }
    return out;
}

class BackupDiffTest : public testing::TestWithParam<DiffCase> {};

TEST_P(BackupDiffTest, ShowsTheShortestEditWithItsContext) {
    const DiffCase& c = GetParam();
    EXPECT_EQ(marked(BackupDiff::compare(c.from, c.to, c.context)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BackupDiffTest,
    testing::Values(DiffCase{"Same", "a\nb\n", "a\nb", 3, ""},
                    DiffCase{"OneLineChanged", "a\nb\nc\nd\ne\n", "a\nb\nX\nd\ne\n", 1,
                             "~| b|-c|+X| d|~|"},
                    DiffCase{"Appended", "a\n", "a\nb\n", 3, " a|+b|"},
                    DiffCase{"AllRemoved", "a\nb\n", "", 3, "-a|-b|"},
                    DiffCase{"MovedBlockKeepsTheLongestCommonRun", "Host x\nHost y\n  User u\n",
                             "Host y\n  User u\nHost x\n", 0, "-Host x|~|+Host x|"},
                    DiffCase{"TwoEditsFarApart", "1\n2\n3\n4\n5\n6\n7\n", "0\n2\n3\n4\n5\n6\n8\n",
                             1, "-1|+0| 2|~| 6|-7|+8|"}),
    [](const auto& row) { return row.param.name; });

} // namespace
} // namespace moorkeep::test
