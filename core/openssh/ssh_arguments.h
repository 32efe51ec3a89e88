#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// How OpenSSH's client reads the words of a configuration line and matches
// host names against patterns.
namespace moorkeep::config {

// The arguments of a line as OpenSSH splits them: at blanks outside quotes,
// quotes removed, \" \' \\ and (outside quotes) "\ " unescaped, and a "#"
// that starts an argument ending the line. Nothing when a quote is left open.
std::optional<std::vector<std::string>> splitArguments(std::string_view text);

// Those arguments joined by single spaces: the value as OpenSSH takes it
// (the text unchanged when a quote is left open).
std::string joinedArguments(std::string_view text);

// OpenSSH's wildcard match of a whole name: "*" any run, "?" any one
// character, everything else itself. Case counts.
bool matchesPattern(std::string_view name, std::string_view pattern);

// A comma-separated pattern list in which "!" negates a pattern: 1 when a
// pattern matches and no negated one does, -1 when a negated one does, 0
// otherwise. ignoreCase compares ASCII letters without case.
int matchPatternList(std::string_view name, std::string_view list, bool ignoreCase);

// Whether a Host line's patterns take the name: one of them matches and no
// negated one does.
bool hostPatternsMatch(std::string_view name, std::span<const std::string> patterns);

// The patterns of a Host line as one text that names its block: the
// arguments joined by spaces, one that holds a blank, quote or backslash (or
// is empty) quoted, so that the text splits back into the same arguments
// (the text unchanged when a quote is left open).
std::string headerPatterns(std::string_view text);

} // namespace moorkeep::config
