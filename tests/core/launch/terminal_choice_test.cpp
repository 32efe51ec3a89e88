#include "launch/command_words.h"
#include "launch/program_search.h"
#include "launch/terminal_choice.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <stdexcept>
#include <sys/stat.h>

using namespace moorkeep;

namespace {

using Words = std::vector<std::string>;

struct ChoiceCase {
    std::string name;
    std::optional<std::string> preferred;
    std::map<std::string, std::string> environment;
    std::set<std::string> installed;
    std::optional<Words> expected;
};

const Words command{"ssh", "my host"};

class TerminalChoiceTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(TerminalChoiceTest, PicksTheFirstTerminalInOrder) {
    const ChoiceCase& c = GetParam();
    const TerminalChoice::Lookups lookups{
        [&](const std::string& name) -> std::optional<std::string> {
            auto value = c.environment.find(name);
            return value == c.environment.end() ? std::nullopt : std::optional(value->second);
        },
        [&](const std::string& program) { return c.installed.contains(program); }};
    EXPECT_EQ(TerminalChoice::choose(c.preferred, command, lookups), c.expected);
}

const std::set<std::string> everything{
    "xdg-terminal-exec", "mine",           "x-terminal-emulator", "konsole", "kitty",
    "gnome-terminal",    "xfce4-terminal", "alacritty",           "foot",    "xterm"};

std::set<std::string> without(std::set<std::string> programs,
                              const std::vector<std::string>& gone) {
    for (const auto& program : gone)
        programs.erase(program);
    return programs;
}

INSTANTIATE_TEST_SUITE_P(
    Order, TerminalChoiceTest,
    testing::Values(
        ChoiceCase{"PreferredSplitAsWordsBeatsEverything",
                   "kitty --title 'a b' -o\\ x",
                   {{"TERMINAL", "mine"}},
                   everything,
                   Words{"kitty", "--title", "a b", "-o x", "ssh", "my host"}},
        ChoiceCase{"PreferredNotInstalledIsStillUsed",
                   "absent-term -e",
                   {},
                   {},
                   Words{"absent-term", "-e", "ssh", "my host"}},
        ChoiceCase{"BlankPreferredIsAutomatic",
                   "  ",
                   {},
                   everything,
                   Words{"xdg-terminal-exec", "ssh", "my host"}},
        ChoiceCase{"TerminalVariableWithE",
                   std::nullopt,
                   {{"TERMINAL", "mine"}},
                   without(everything, {"xdg-terminal-exec"}),
                   Words{"mine", "-e", "ssh", "my host"}},
        ChoiceCase{"TerminalVariableNotInstalledIsPassed",
                   std::nullopt,
                   {{"TERMINAL", "gone"}},
                   without(everything, {"xdg-terminal-exec"}),
                   Words{"x-terminal-emulator", "-e", "ssh", "my host"}},
        ChoiceCase{"Konsole",
                   std::nullopt,
                   {},
                   {"konsole", "xterm", "kitty"},
                   Words{"konsole", "-e", "ssh", "my host"}},
        ChoiceCase{"GnomeTerminal",
                   std::nullopt,
                   {},
                   {"gnome-terminal", "xterm"},
                   Words{"gnome-terminal", "--", "ssh", "my host"}},
        ChoiceCase{"Xfce",
                   std::nullopt,
                   {},
                   {"xfce4-terminal", "foot"},
                   Words{"xfce4-terminal", "-x", "ssh", "my host"}},
        ChoiceCase{
            "Kitty", std::nullopt, {}, {"kitty", "alacritty"}, Words{"kitty", "ssh", "my host"}},
        ChoiceCase{"Alacritty",
                   std::nullopt,
                   {},
                   {"alacritty", "foot"},
                   Words{"alacritty", "-e", "ssh", "my host"}},
        ChoiceCase{"Foot", std::nullopt, {}, {"foot", "xterm"}, Words{"foot", "ssh", "my host"}},
        ChoiceCase{"Xterm", std::nullopt, {}, {"xterm"}, Words{"xterm", "-e", "ssh", "my host"}},
        ChoiceCase{"None", std::nullopt, {{"TERMINAL", ""}}, {"", "st"}, std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(TerminalChoiceTest, AnOpenQuoteInThePreferenceIsRefused) {
    const auto lookups = TerminalChoice::ofThisProcess();
    EXPECT_THROW(TerminalChoice::choose("kitty 'x", command, lookups), std::invalid_argument);
    EXPECT_THROW(TerminalChoice::checkedPreference("kitty \"x"), std::invalid_argument);
    EXPECT_EQ(TerminalChoice::checkedPreference(" \t"), std::nullopt);
    EXPECT_EQ(TerminalChoice::checkedPreference("foot -a"), "foot -a");
}

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
    for (const std::string line : {"a 'b", "a \"b", "a \"b\\\""}) {
        try {
            CommandWords::split(line);
            ADD_FAILURE() << line;
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find("never closed"), std::string::npos);
        }
    }
}

TEST(ProgramSearchTest, FindsOnlyExecutableFilesInPathOrder) {
    test::TempDir dir;
    auto make = [&](const std::string& name, mode_t mode) {
        test::writeFile(dir.file(name), "#!/bin/sh\n");
        ::chmod(dir.file(name).c_str(), mode);
    };
    make("a/term", 0644);
    ::mkdir(dir.file("b/term").c_str(), 0755);
    make("c/term", 0755);
    make("d/term", 0755);
    const std::string path =
        dir.file("a") + ":" + dir.file("b") + "::" + dir.file("c") + ":" + dir.file("d");
    EXPECT_EQ(ProgramSearch::find("term", path), dir.file("c/term"));
    EXPECT_EQ(ProgramSearch::find("other", path), std::nullopt);
    EXPECT_EQ(ProgramSearch::find(dir.file("d/term"), ""), dir.file("d/term"));
    EXPECT_EQ(ProgramSearch::find(dir.file("a/term"), path), std::nullopt);
}

} // namespace
