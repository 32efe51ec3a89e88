#include "arguments.h"

#include "cli_errors.h"

#include <algorithm>

namespace moorkeep::cli {

bool ParsedArguments::has(std::string_view name) const {
    return std::any_of(options.begin(), options.end(),
                       [&](const auto& option) { return option.first == name; });
}

std::optional<std::string> ParsedArguments::value(std::string_view name) const {
    std::optional<std::string> found;
    for (const auto& [option, value] : options)
        if (option == name)
            found = value;
    return found;
}

bool asksForHelp(std::span<const std::string> args) {
    for (const auto& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

ParsedArguments parseArguments(std::span<const std::string> args,
                               std::span<const OptionSpec> options,
                               std::span<const std::string_view> positionalNames,
                               const std::string& helpTopic) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        auto equals = arg.find('=');
        std::string name = arg.substr(0, equals);
        auto option = std::find_if(options.begin(), options.end(),
                                   [&](const OptionSpec& o) { return o.name == name; });
        if (option == options.end())
            throw UsageError("unknown option " + name, helpTopic);
        std::string value;
        if (option->takesValue) {
            if (equals != std::string::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                throw UsageError("option " + name + " needs a value", helpTopic);
        } else if (equals != std::string::npos) {
            throw UsageError("option " + name + " takes no value", helpTopic);
        }
        parsed.options.emplace_back(std::move(name), std::move(value));
    }
    const std::size_t count = positionalNames.size();
    if (parsed.positionals.size() < count)
        throw UsageError("missing " + std::string(positionalNames[parsed.positionals.size()]),
                         helpTopic);
    if (parsed.positionals.size() > count)
        throw UsageError("unexpected argument " + parsed.positionals[count], helpTopic);
    return parsed;
}

} // namespace moorkeep::cli
