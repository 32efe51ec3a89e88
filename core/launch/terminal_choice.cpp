#include "launch/terminal_choice.h"

#include "launch/command_words.h"
#include "launch/program_search.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace moorkeep::TerminalChoice {

namespace {

// A terminal and what comes between it and the command it is to run.
struct Known {
    std::string_view program;
    std::string_view beforeCommand; // empty: the command follows directly
};

constexpr std::array<Known, 7> knownTerminals{{
    {"konsole", "-e"},
    {"gnome-terminal", "--"},
    {"xfce4-terminal", "-x"},
    {"kitty", ""},
    {"alacritty", "-e"},
    {"foot", ""},
    {"xterm", "-e"},
}};

std::vector<std::string> running(std::vector<std::string> terminal,
                                 const std::vector<std::string>& command) {
    terminal.insert(terminal.end(), command.begin(), command.end());
    return terminal;
}

std::vector<std::string> terminalWords(const Known& known) {
    std::vector<std::string> words{std::string(known.program)};
    if (!known.beforeCommand.empty())
        words.emplace_back(known.beforeCommand);
    return words;
}

} // namespace

std::optional<std::vector<std::string>> choose(const std::optional<std::string>& preferred,
                                               const std::vector<std::string>& command,
                                               const Lookups& lookups) {
    if (preferred) {
        auto words = CommandWords::split(*preferred);
        if (!words.empty())
            return running(std::move(words), command);
    }
    if (lookups.installed("xdg-terminal-exec"))
        return running({"xdg-terminal-exec"}, command);
    if (auto terminal = lookups.environment("TERMINAL");
        terminal && !terminal->empty() && lookups.installed(*terminal))
        return running({*terminal, "-e"}, command);
    if (lookups.installed("x-terminal-emulator"))
        return running({"x-terminal-emulator", "-e"}, command);
    for (const Known& known : knownTerminals)
        if (lookups.installed(std::string(known.program)))
            return running(terminalWords(known), command);
    return std::nullopt;
}

std::optional<std::string> checkedPreference(const std::optional<std::string>& preferred) {
    if (!preferred || CommandWords::split(*preferred).empty())
        return std::nullopt;
    return preferred;
}

Lookups ofThisProcess() {
    return {[](const std::string& name) -> std::optional<std::string> {
                if (const char* value = std::getenv(name.c_str()))
                    return std::string(value);
                return std::nullopt;
            },
            [](const std::string& program) { return ProgramSearch::onPath(program).has_value(); }};
}

} // namespace moorkeep::TerminalChoice
