#include "keys/key_text.h"

#include <array>

namespace moorkeep::keys {
namespace {

// White space and line breaks as UTF-8: the ASCII ones, NEL, and the Unicode
// space and separator characters.
constexpr std::array<std::string_view, 25> whitespace{" ",
                                                      "\t",
                                                      "\n",
                                                      "\v",
                                                      "\f",
                                                      "\r",
                                                      "\xC2\x85",
                                                      "\xC2\xA0",
                                                      "\xE1\x9A\x80",
                                                      "\xE2\x80\x80",
                                                      "\xE2\x80\x81",
                                                      "\xE2\x80\x82",
                                                      "\xE2\x80\x83",
                                                      "\xE2\x80\x84",
                                                      "\xE2\x80\x85",
                                                      "\xE2\x80\x86",
                                                      "\xE2\x80\x87",
                                                      "\xE2\x80\x88",
                                                      "\xE2\x80\x89",
                                                      "\xE2\x80\x8A",
                                                      "\xE2\x80\xA8",
                                                      "\xE2\x80\xA9",
                                                      "\xE2\x80\xAF",
                                                      "\xE2\x81\x9F",
                                                      "\xE3\x80\x80"};

// Every sequence above starts with a lead byte, so a match at either end of
// valid UTF-8 is a whole character.
std::size_t leadingSpace(std::string_view text) {
    for (std::string_view space : whitespace) {
        if (text.starts_with(space))
            return space.size();
    }
    return 0;
}

std::size_t trailingSpace(std::string_view text) {
    for (std::string_view space : whitespace) {
        if (text.ends_with(space))
            return space.size();
    }
    return 0;
}

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string trimWhitespace(std::string_view text) {
    while (std::size_t size = leadingSpace(text))
        text.remove_prefix(size);
    while (std::size_t size = trailingSpace(text))
        text.remove_suffix(size);
    return std::string(text);
}

std::string_view firstPiece(std::string_view text) {
    return firstPieceStartingWith(text, {});
}

std::string_view firstPieceStartingWith(std::string_view text, std::string_view prefix) {
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isAsciiSpace(text[at]))
            ++at;
        std::size_t end = at;
        while (end < text.size() && !isAsciiSpace(text[end]))
            ++end;
        std::string_view piece = text.substr(at, end - at);
        if (!piece.empty() && piece.starts_with(prefix))
            return piece;
        at = end;
    }
    return {};
}

} // namespace moorkeep::keys
