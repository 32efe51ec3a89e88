#include "launch/terminal_choice.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <sys/stat.h>

using namespace moorkeep;

namespace {

using Words = std::vector<std::string>;

const Words command{"ssh", "my host"};

// Each row: what is installed, the words before the command (none when no
// terminal is found), the preference and the TERMINAL variable.
TEST(TerminalChoiceTest, PicksTheFirstTerminalInOrderAndRefusesAnOpenQuote) {
    const std::set<std::string> allButXdg{
        "mine",           "x-terminal-emulator", "konsole", "kitty", "gnome-terminal",
        "xfce4-terminal", "alacritty",           "foot",    "xterm"};
    std::set<std::string> all = allButXdg;
    all.insert("xdg-terminal-exec");
    const struct {
        std::set<std::string> installed;
        std::optional<Words> expected;
        std::optional<std::string> preferred = {}, terminalVariable = {};
    } cases[] = {
        {all, Words{"kitty", "--title", "a b", "-o x"}, "kitty --title 'a b' -o\\ x", "mine"},
        {{}, Words{"absent-term", "-e"}, "absent-term -e"},
        {all, Words{"xdg-terminal-exec"}, "  "},
        {allButXdg, Words{"mine", "-e"}, {}, "mine"},
        {allButXdg, Words{"x-terminal-emulator", "-e"}, {}, "gone"},
        {{"konsole", "xterm", "kitty"}, Words{"konsole", "-e"}},
        {{"gnome-terminal", "xterm"}, Words{"gnome-terminal", "--"}},
        {{"xfce4-terminal", "foot"}, Words{"xfce4-terminal", "-x"}},
        {{"kitty", "alacritty"}, Words{"kitty"}},
        {{"alacritty", "foot"}, Words{"alacritty", "-e"}},
        {{"foot", "xterm"}, Words{"foot"}},
        {{"xterm"}, Words{"xterm", "-e"}},
        {{"", "st"}, std::nullopt, {}, ""},
    };
    for (const auto& c : cases) {
        const TerminalChoice::Lookups lookups{
            [&](const std::string& name) {
                return name == "TERMINAL" ? c.terminalVariable : std::nullopt;
            },
            [&](const std::string& program) { return c.installed.contains(program); }};
        std::optional<Words> expected = c.expected;
        if (expected)
            expected->insert(expected->end(), command.begin(), command.end());
        EXPECT_EQ(TerminalChoice::choose(c.preferred, command, lookups), expected)
            << c.expected.value_or(Words{"none"}).front();
    }
    // An open quote in the preference is refused.
    const auto lookups = TerminalChoice::ofThisProcess();
    EXPECT_THROW(TerminalChoice::choose("kitty 'x", command, lookups), std::invalid_argument);
    EXPECT_THROW(TerminalChoice::checkedPreference("kitty \"x"), std::invalid_argument);
    EXPECT_EQ(TerminalChoice::checkedPreference(" \t"), std::nullopt);
    EXPECT_EQ(TerminalChoice::checkedPreference("foot -a"), "foot -a");
}

} // namespace
