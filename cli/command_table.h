#pragma once

#include "arguments.h"

#include <span>
#include <string>
#include <string_view>

namespace moorkeep::cli {

class Session;

// One command: its words, its help, what it accepts and what it does. run
// returns the exit status.
struct Command {
    std::string_view name;
    std::string_view summary; // one line, for the group's help
    std::string_view help;    // the whole --help text
    std::span<const OptionSpec> options;
    std::span<const std::string_view> positionals;
    int (*run)(Session& session, const ParsedArguments& args);
};

// A command word with sub-commands ("host", "key", ...).
struct CommandGroup {
    std::string_view name;
    std::string_view summary;
    std::span<const Command> commands;
};

// Runs the command on the arguments after its words, or prints its help.
// topic is how the command is called ("host add"), for usage hints.
int runCommand(Session& session, const Command& command, const std::string& topic,
               std::span<const std::string> args);
// Picks the sub-command named by the first argument and runs it, or prints
// the group's help.
int runGroup(Session& session, const CommandGroup& group, std::span<const std::string> args);

} // namespace moorkeep::cli
