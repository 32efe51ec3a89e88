#include "visible_text.h"

#include "model/unicode_text.h"

#include <cstdio>

namespace moorkeep::cli {

namespace {

std::string hexEscape(const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string escapeOf(unsigned char c) {
    switch (c) {
    case '\a':
        return "\\a";
    case '\b':
        return "\\b";
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\v':
        return "\\v";
    case '\f':
        return "\\f";
    case '\r':
        return "\\r";
    case 0x1B:
        return "\\e";
    default:
        return hexEscape("\\x%02x", c);
    }
}

// The line and paragraph separators, and marks that reorder how the rest of
// the line is shown.
bool isDirectionMark(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

} // namespace

std::string visible(std::string_view text, bool keepLineFeeds) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n' && keepLineFeeds) {
            out += '\n';
        } else if (c < 0x20 || c == 0x7F) {
            out += escapeOf(c);
        } else if (c >= 0x80) {
            // C1 controls (U+0080 to U+009F), which some terminals obey as
            // escape sequences, and direction marks are spelled out.
            const auto scalar = unicode::decodeAt(text, i);
            if (unicode::isInvalid(scalar) ||
                (scalar.value > 0x9F && !isDirectionMark(scalar.value))) {
                out += text.substr(i, scalar.size);
            } else {
                out += hexEscape("\\u%04x", static_cast<unsigned>(scalar.value));
            }
            i += scalar.size - 1;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace moorkeep::cli
