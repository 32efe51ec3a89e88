#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace moorkeep::cli {

struct OptionSpec {
    std::string_view name; // with the leading "--"
    bool takesValue = false;
};

// A command's arguments after the command words, options in the order given.
struct ParsedArguments {
    std::vector<std::string> positionals;
    std::vector<std::pair<std::string, std::string>> options; // value empty for a flag

    bool has(std::string_view name) const;
    // The last value given, for options that may appear once.
    std::optional<std::string> value(std::string_view name) const;
};

// Whether "--help" (or "-h") stands among the arguments before a "--".
bool asksForHelp(std::span<const std::string> args);

// Options take their value as the next argument or after "="; "--" ends the
// options. An unknown option, a missing value, a value given to a flag or a
// wrong number of positionals (named by positionalNames, such as "HOST") is
// a UsageError naming helpTopic.
ParsedArguments parseArguments(std::span<const std::string> args,
                               std::span<const OptionSpec> options,
                               std::span<const std::string_view> positionalNames,
                               const std::string& helpTopic);

} // namespace moorkeep::cli
