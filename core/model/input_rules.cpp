#include "model/input_rules.h"

#include "model/unicode_text.h"

#include <algorithm>
#include <limits>

namespace moorkeep::InputRules {

namespace {

template <typename Predicate> std::string trimmed(std::string_view text, Predicate isTrimmed) {
    // Byte offsets of the first kept scalar and of the end of the last one.
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (std::size_t offset = 0; offset < text.size();) {
        auto scalar = unicode::decodeAt(text, offset);
        if (!isTrimmed(scalar.value)) {
            begin = std::min(begin, offset);
            end = offset + scalar.size;
        }
        offset += scalar.size;
    }
    return begin < end ? std::string(text.substr(begin, end - begin)) : std::string();
}

bool isWhitespace(char32_t c) {
    return c == U'\t' || unicode::isSpaceSeparator(c);
}

} // namespace

std::string trimWhitespace(std::string_view text) {
    return trimmed(text, isWhitespace);
}

std::string trimWhitespaceAndNewlines(std::string_view text) {
    return trimmed(text, [](char32_t c) { return isWhitespace(c) || unicode::isLineBreak(c); });
}

std::optional<std::string> nonEmptyTrimmed(std::string_view text) {
    std::string value = trimWhitespace(text);
    if (value.empty())
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Accumulated as a negative number, whose range is the larger one.
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        int digit = c - '0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == lowest)
        return std::nullopt;
    return -value;
}

std::int64_t portFromText(std::string_view text) {
    return parseInteger(text).value_or(22);
}

bool isValidKeyFileName(std::string_view name) {
    if (name.empty())
        return false;
    bool afterCharacter = false;
    for (std::size_t offset = 0; offset < name.size();) {
        auto scalar = unicode::decodeAt(name, offset);
        char32_t c = scalar.value;
        if (c == U'-' || c == U'_' || unicode::isLetterOrNumber(c))
            afterCharacter = true;
        else if (!afterCharacter || !unicode::isCombiningMark(c))
            return false;
        offset += scalar.size;
    }
    return true;
}

bool isValidEmail(std::string_view text) {
    std::string email = trimWhitespace(text);
    if (email.empty())
        return true;
    if (hasControlCharacters(email))
        return false;
    auto at = email.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == email.size())
        return false;
    std::string_view domain = std::string_view(email).substr(at + 1);
    auto dot = domain.find('.');
    return dot != std::string_view::npos && dot != 0 && dot + 1 != domain.size();
}

bool hasControlCharacters(std::string_view text) {
    for (std::size_t offset = 0; offset < text.size();) {
        auto scalar = unicode::decodeAt(text, offset);
        char32_t c = scalar.value;
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029)
            return true;
        offset += scalar.size;
    }
    return false;
}

bool hasDirectionMarks(std::string_view text) {
    for (std::size_t offset = 0; offset < text.size();) {
        auto scalar = unicode::decodeAt(text, offset);
        char32_t c = scalar.value;
        if (c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
            (c >= 0x2066 && c <= 0x2069))
            return true;
        offset += scalar.size;
    }
    return false;
}

bool isValidDisplayName(std::string_view text) {
    return !hasControlCharacters(text) && !hasDirectionMarks(text);
}

bool isValidPassphrase(std::string_view text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7f'; });
}

bool isValidAlias(std::string_view alias) {
    if (alias.empty() || alias.front() == '-' || alias.front() == '#')
        return false;
    for (std::size_t offset = 0; offset < alias.size();) {
        auto scalar = unicode::decodeAt(alias, offset);
        const char32_t c = scalar.value;
        if (isWhitespace(c) || unicode::isLineBreak(c) || c < 0x20 || (c >= 0x7F && c <= 0x9F) ||
            (c < 0x80 && std::string_view("*?!,'\"`$\\;&<>|(){}").find(static_cast<char>(c)) !=
                             std::string_view::npos))
            return false;
        offset += scalar.size;
    }
    return true;
}

bool isValidOptionName(std::string_view name) {
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return !name.empty() && isLetter(name.front()) &&
           std::all_of(name.begin(), name.end(),
                       [&](char c) { return isLetter(c) || (c >= '0' && c <= '9'); });
}

bool isDuplicateAlias(const std::vector<SSHHost>& hosts, std::string_view alias,
                      const std::optional<std::string>& editedId) {
    if (alias.empty())
        return false;
    return std::any_of(hosts.begin(), hosts.end(), [&](const SSHHost& host) {
        return host.alias == alias && !(editedId && host.id == *editedId);
    });
}

} // namespace moorkeep::InputRules
