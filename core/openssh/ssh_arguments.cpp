#include "openssh/ssh_arguments.h"

#include "model/ascii.h"

#include <array>

namespace moorkeep::config {
namespace {

// Words between single spaces, with nothing to unquote: the text is already
// its arguments joined, as most values of a large file are, and cheaper to
// take as it is.
bool isPlainWords(std::string_view text) {
    static constexpr auto special = [] {
        std::array<bool, 256> bytes{};
        for (unsigned char c : {'\t', '"', '\'', '\\', '#'})
            bytes[c] = true;
        return bytes;
    }();
    if (text.empty() || text.front() == ' ' || text.back() == ' ')
        return false;
    // One pass: no tab, quote, backslash or "#", and no two spaces in a row.
    bool afterSpace = false;
    for (char c : text) {
        if (special[static_cast<unsigned char>(c)])
            return false;
        const bool space = c == ' ';
        if (space && afterSpace)
            return false;
        afterSpace = space;
    }
    return true;
}

} // namespace

std::optional<std::vector<std::string>> splitArguments(std::string_view s) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == ' ' || s[i] == '\t') {
            ++i;
            continue;
        }
        if (s[i] == '#')
            break;
        std::string& argument = arguments.emplace_back();
        char quote = 0;
        for (; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '\\' && i + 1 < s.size() &&
                (s[i + 1] == '\'' || s[i + 1] == '"' || s[i + 1] == '\\' ||
                 (quote == 0 && s[i + 1] == ' '))) {
                argument += s[++i];
            } else if (quote == 0 && (c == ' ' || c == '\t')) {
                break;
            } else if (quote == 0 && (c == '"' || c == '\'')) {
                quote = c;
            } else if (quote != 0 && c == quote) {
                quote = 0;
            } else {
                argument += c;
            }
        }
        if (quote != 0)
            return std::nullopt;
    }
    return arguments;
}

std::string joinedArguments(std::string_view text) {
    if (isPlainWords(text))
        return std::string(text);
    const auto arguments = splitArguments(text);
    if (!arguments)
        return std::string(text);
    std::string joined;
    for (const auto& argument : *arguments)
        joined += (joined.empty() ? "" : " ") + argument;
    return joined;
}

std::string headerPatterns(std::string_view text) {
    if (isPlainWords(text))
        return std::string(text);
    const auto arguments = splitArguments(text);
    if (!arguments)
        return std::string(text);
    std::string joined;
    for (const auto& argument : *arguments) {
        if (!joined.empty())
            joined += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\"'\\") == std::string::npos &&
            argument.front() != '#') {
            joined += argument;
            continue;
        }
        joined += '"';
        for (char c : argument) {
            if (c == '"' || c == '\\')
                joined += '\\';
            joined += c;
        }
        joined += '"';
    }
    return joined;
}

namespace {

char folded(char c, bool ignoreCase) {
    return ignoreCase ? asciiLower(c) : c;
}

// Iterative glob match: on a mismatch after a "*", the star takes one more
// character, so the cost stays linear in practice.
bool globMatch(std::string_view name, std::string_view pattern, bool ignoreCase) {
    std::size_t n = 0, p = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || folded(pattern[p], ignoreCase) ==
                                                                   folded(name[n], ignoreCase))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool matchesPattern(std::string_view name, std::string_view pattern) {
    return globMatch(name, pattern, false);
}

int matchPatternList(std::string_view name, std::string_view list, bool ignoreCase) {
    int result = 0;
    std::size_t at = 0;
    while (at <= list.size()) {
        std::size_t comma = list.find(',', at);
        if (comma == std::string_view::npos)
            comma = list.size();
        std::string_view pattern = list.substr(at, comma - at);
        at = comma + 1;
        const bool negated = !pattern.empty() && pattern.front() == '!';
        if (negated)
            pattern.remove_prefix(1);
        if (globMatch(name, pattern, ignoreCase)) {
            if (negated)
                return -1;
            result = 1;
        }
    }
    return result;
}

bool hostPatternsMatch(std::string_view name, std::span<const std::string> patterns) {
    bool matched = false;
    for (std::string_view pattern : patterns) {
        const bool negated = !pattern.empty() && pattern.front() == '!';
        if (negated)
            pattern.remove_prefix(1);
        if (matchesPattern(name, pattern)) {
            if (negated)
                return false;
            matched = true;
        }
    }
    return matched;
}

} // namespace moorkeep::config
