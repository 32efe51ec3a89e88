#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Which terminal runs a command for the user (a connection, a key install),
// decided from the preferred command line and what this desktop offers.
namespace moorkeep::TerminalChoice {

struct Lookups {
    // An environment variable's value; nothing when it is not set.
    std::function<std::optional<std::string>(const std::string& name)> environment;
    // Whether a program of this name (or path) is installed.
    std::function<bool(const std::string& program)> installed;
};

// The argument list, program first, that opens a terminal running command
// (also an argument list): the preferred command line when it has any
// words, with the command appended; else xdg-terminal-exec with the command
// appended; else $TERMINAL -e; else x-terminal-emulator -e; else the first
// installed of konsole -e, gnome-terminal --, xfce4-terminal -x, kitty,
// alacritty -e, foot, xterm -e. Nothing when no terminal is found. Throws
// std::invalid_argument when the preferred command line leaves a quote open.
std::optional<std::vector<std::string>> choose(const std::optional<std::string>& preferred,
                                               const std::vector<std::string>& command,
                                               const Lookups& lookups);

// The preferred command line as a store keeps it: nothing when it has no
// words (the automatic choice), else unchanged. Throws std::invalid_argument
// when it leaves a quote open.
std::optional<std::string> checkedPreference(const std::optional<std::string>& preferred);

// The environment and $PATH of this process.
Lookups ofThisProcess();

} // namespace moorkeep::TerminalChoice
