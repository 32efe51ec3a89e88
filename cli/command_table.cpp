#include "command_table.h"

#include "cli_errors.h"
#include "session.h"

#include <algorithm>

namespace moorkeep::cli {

namespace {

std::string groupHelp(const CommandGroup& group) {
    std::string text = "Usage: moorkeepctl [global options] " + std::string(group.name) +
                       " COMMAND [options]\n\n" + std::string(group.summary) + "\n\nCommands:\n";
    std::size_t width = 0;
    for (const auto& command : group.commands)
        width = std::max(width, command.name.size());
    for (const auto& command : group.commands)
        text += "  " + std::string(command.name) +
                std::string(width - command.name.size() + 2, ' ') + std::string(command.summary) +
                "\n";
    text += "\nRun 'moorkeepctl " + std::string(group.name) +
            " COMMAND --help' for the options of a command.\n";
    return text;
}

} // namespace

int runCommand(Session& session, const Command& command, const std::string& topic,
               std::span<const std::string> args) {
    if (asksForHelp(args)) {
        session.output().stream() << command.help;
        return 0;
    }
    return command.run(session, parseArguments(args, command.options, command.positionals, topic));
}

int runGroup(Session& session, const CommandGroup& group, std::span<const std::string> args) {
    const std::string groupName(group.name);
    if (args.empty())
        throw UsageError("missing command after " + groupName, groupName);
    if (args.front() == "--help" || args.front() == "-h") {
        session.output().stream() << groupHelp(group);
        return 0;
    }
    auto command = std::find_if(group.commands.begin(), group.commands.end(),
                                [&](const Command& c) { return c.name == args.front(); });
    if (command == group.commands.end())
        throw UsageError("unknown command " + groupName + " " + args.front(), groupName);
    return runCommand(session, *command, groupName + " " + args.front(), args.subspan(1));
}

} // namespace moorkeep::cli
