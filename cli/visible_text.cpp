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

// The UTF-8 length of a line separator or text direction mark at the start
// of the text; 0 for anything else.
std::size_t directionMarkLength(std::string_view text) {
    if (text.size() >= 2 && text[0] == '\xD8' && text[1] == '\x9C')
        return 2; // U+061C
    if (text.size() < 3 || text[0] != '\xE2')
        return 0;
    const auto second = static_cast<unsigned char>(text[1]);
    const auto third = static_cast<unsigned char>(text[2]);
    if (second == 0x80 && (third == 0x8E || third == 0x8F || (third >= 0xA8 && third <= 0xAE)))
        return 3; // U+200E, U+200F, U+2028 to U+202E
    if (second == 0x81 && third >= 0xA6 && third <= 0xA9)
        return 3; // U+2066 to U+2069
    return 0;
}

unsigned scalarOf(std::string_view bytes) {
    if (bytes.size() == 2)
        return ((static_cast<unsigned char>(bytes[0]) & 0x1Fu) << 6) |
               (static_cast<unsigned char>(bytes[1]) & 0x3Fu);
    return ((static_cast<unsigned char>(bytes[0]) & 0x0Fu) << 12) |
           ((static_cast<unsigned char>(bytes[1]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(bytes[2]) & 0x3Fu);
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
        } else if (std::size_t length = directionMarkLength(text.substr(i))) {
            // The line and paragraph separators, and marks that reorder how
            // the rest of the line is shown.
            out += hexEscape("\\u%04x", scalarOf(text.substr(i, length)));
            i += length - 1;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace moorkeep::cli
