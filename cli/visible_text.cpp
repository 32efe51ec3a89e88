#include "visible_text.h"

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
        } else if (c == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // C1 controls (U+0080 to U+009F), which some terminals obey as
            // escape sequences.
            out += hexEscape("\\u%04x", static_cast<unsigned char>(text[++i]));
        } else if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            // The line and paragraph separators.
            out += hexEscape("\\u%04x", 0x2000u + static_cast<unsigned char>(text[i + 2]) - 0x80u);
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace moorkeep::cli
