#pragma once

#include <cstddef>
#include <string_view>

// The few Unicode facts the input rules need, without a Unicode library.
namespace moorkeep::unicode {

// One scalar decoded from UTF-8 and the number of bytes it took. A byte that
// does not start a valid sequence decodes as U+FFFD of size 1.
struct Scalar {
    char32_t value = 0;
    std::size_t size = 0;
};

Scalar decodeAt(std::string_view text, std::size_t offset);
// True for what decodeAt gives where the text is not valid UTF-8 (a U+FFFD
// written out takes three bytes).
inline bool isInvalid(Scalar scalar) {
    return scalar.value == 0xFFFD && scalar.size == 1;
}

// A letter or a number in the Unicode sense (letters, decimal digits, letter
// numbers and other numbers of every script).
bool isLetterOrNumber(char32_t c);
// A mark that joins the character before it (a combining accent, for
// example), so that the two are read as one character.
bool isCombiningMark(char32_t c);
// General category Zs: the ordinary space and the other space separators.
bool isSpaceSeparator(char32_t c);
// Line feed, vertical tab, form feed, carriage return, next line, and the
// line and paragraph separators.
bool isLineBreak(char32_t c);

} // namespace moorkeep::unicode
