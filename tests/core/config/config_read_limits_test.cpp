#include "config/config_parser.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

using Kind = ConfigReadProblem::Kind;

std::vector<std::string> hostValues(const std::vector<ConfigLineSource>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines)
        if (line.directive == "Host")
            out.push_back(line.value);
    return out;
}

class ConfigReadLimits : public ::testing::Test {
protected:
    std::string ssh(const std::string& name) const { return home.file(".ssh/" + name); }
    std::vector<ConfigLineSource> read() {
        return ConfigParser::readLines(ssh("config"), home.path(), problems);
    }

    TempDir home;
    ConfigReadProblems problems;
};

TEST_F(ConfigReadLimits, AnIncludeChainIsFollowedSixteenLevelsAndNoFurther) {
    // Twelve thousand levels once overflowed the stack.
    constexpr int levels = 12000;
    writeFile(ssh("config"), "Host h0\nInclude chain/1\n");
    for (int i = 1; i < levels; ++i)
        writeFile(ssh("chain/" + std::to_string(i)),
                  "Host h" + std::to_string(i) + "\nInclude chain/" + std::to_string(i + 1) + "\n");
    auto hosts = hostValues(read());
    ASSERT_EQ(hosts.size(), 17u);
    EXPECT_EQ(hosts.back(), "h16");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, Kind::tooDeep);
    EXPECT_EQ(problems[0].path, ssh("chain/17"));
    EXPECT_NE(problems[0].message().find(ssh("chain/17")), std::string::npos);
}

TEST_F(ConfigReadLimits, SkippedFilesAreReportedAndTheRestIsRead) {
    writeFile(ssh("big"), std::string(16 * 1024 * 1024 + 1, '\n'));
    writeFile(ssh("latin1"), "Host caf\xe9\n");
    std::filesystem::create_directories(ssh("folder"));
    std::string config = "Host a\nInclude big\nHost b\nInclude latin1\nInclude folder\n"
                         "Include /dev/zero\nInclude missing\nHost c\n";
    const bool pagemap = ::access("/proc/self/pagemap", R_OK) == 0;
    if (pagemap)
        config += "Include /proc/self/pagemap\nHost d\n";
    writeFile(ssh("config"), config);

    auto hosts = hostValues(read());
    const std::vector<std::string> expectedHosts =
        pagemap ? std::vector<std::string>{"a", "b", "c", "d"}
                : std::vector<std::string>{"a", "b", "c"};
    EXPECT_EQ(hosts, expectedHosts);
    std::vector<std::pair<std::string, Kind>> seen;
    for (const auto& problem : problems)
        seen.emplace_back(problem.path, problem.kind);
    std::vector<std::pair<std::string, Kind>> expected{{ssh("big"), Kind::tooLarge},
                                                       {ssh("latin1"), Kind::notUtf8},
                                                       {ssh("folder"), Kind::unreadable},
                                                       {"/dev/zero", Kind::unreadable}};
    if (pagemap)
        expected.emplace_back("/proc/self/pagemap", Kind::tooLarge);
    EXPECT_EQ(seen, expected);
}

} // namespace
} // namespace moorkeep::test
