#include "model/unicode_text.h"

#include <algorithm>
#include <locale.h>
#include <wchar.h>
#include <wctype.h>

namespace moorkeep::unicode {

namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// General category No (superscripts, fractions, circled numbers, ...): the C
// library's classes leave these out of alnum although they are numbers.
constexpr Range otherNumbers[] = {
    {0xB2, 0xB3},       {0xB9, 0xB9},       {0xBC, 0xBE},       {0x9F4, 0x9F9},
    {0xB72, 0xB77},     {0xBF0, 0xBF2},     {0xC78, 0xC7E},     {0xD58, 0xD5E},
    {0xD70, 0xD78},     {0xF2A, 0xF33},     {0x1369, 0x137C},   {0x17F0, 0x17F9},
    {0x19DA, 0x19DA},   {0x2070, 0x2070},   {0x2074, 0x2079},   {0x2080, 0x2089},
    {0x2150, 0x215F},   {0x2189, 0x2189},   {0x2460, 0x249B},   {0x24EA, 0x24FF},
    {0x2776, 0x2793},   {0x2CFD, 0x2CFD},   {0x3192, 0x3195},   {0x3220, 0x3229},
    {0x3248, 0x324F},   {0x3251, 0x325F},   {0x3280, 0x3289},   {0x32B1, 0x32BF},
    {0xA830, 0xA835},   {0x10107, 0x10133}, {0x10175, 0x10178}, {0x1018A, 0x1018B},
    {0x102E1, 0x102FB}, {0x10320, 0x10323}, {0x10858, 0x1085F}, {0x10879, 0x1087F},
    {0x108A7, 0x108AF}, {0x108FB, 0x108FF}, {0x10916, 0x1091B}, {0x109BC, 0x109BD},
    {0x109C0, 0x109CF}, {0x109D2, 0x109FF}, {0x10A40, 0x10A48}, {0x10A7D, 0x10A7E},
    {0x10A9D, 0x10A9F}, {0x10AEB, 0x10AEF}, {0x10B58, 0x10B5F}, {0x10B78, 0x10B7F},
    {0x10BA9, 0x10BAF}, {0x10CFA, 0x10CFF}, {0x10E60, 0x10E7E}, {0x10F1D, 0x10F26},
    {0x10F51, 0x10F54}, {0x10FC5, 0x10FCB}, {0x11052, 0x11065}, {0x111E1, 0x111F4},
    {0x1173A, 0x1173B}, {0x118EA, 0x118F2}, {0x11C5A, 0x11C6C}, {0x11FC0, 0x11FD4},
    {0x16B5B, 0x16B61}, {0x16E80, 0x16E96}, {0x1D2E0, 0x1D2F3}, {0x1D360, 0x1D378},
    {0x1E8C7, 0x1E8CF}, {0x1EC71, 0x1ECAB}, {0x1ECAD, 0x1ECAF}, {0x1ECB1, 0x1ECB4},
    {0x1ED01, 0x1ED2D}, {0x1ED2F, 0x1ED3D}, {0x1F100, 0x1F10C},
};

// General category Cf: invisible format characters, which have no width like
// combining marks but do not belong to the character before them.
constexpr Range formatCharacters[] = {
    {0xAD, 0xAD},       {0x600, 0x605},     {0x61C, 0x61C},     {0x6DD, 0x6DD},
    {0x70F, 0x70F},     {0x890, 0x891},     {0x8E2, 0x8E2},     {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x13438}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

template <std::size_t N> bool inRanges(const Range (&ranges)[N], char32_t c) {
    auto it = std::upper_bound(std::begin(ranges), std::end(ranges), c,
                               [](char32_t value, const Range& r) { return value < r.first; });
    return it != std::begin(ranges) && c <= std::prev(it)->last;
}

// The C library's Unicode classification, independent of the process locale.
locale_t utf8Locale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l ? l : newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

bool isAsciiLetterOrDigit(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9');
}

} // namespace

Scalar decodeAt(std::string_view text, std::size_t offset) {
    constexpr Scalar invalid{0xFFFD, 1};
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t size;
    char32_t value;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        size = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return invalid;
    }
    if (offset + size > text.size())
        return invalid;
    for (std::size_t i = 1; i < size; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return invalid;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return invalid;
    return {value, size};
}

bool isLetterOrNumber(char32_t c) {
    if (c < 0x80)
        return isAsciiLetterOrDigit(c);
    if (inRanges(otherNumbers, c))
        return true;
    locale_t locale = utf8Locale();
    return locale && iswalnum_l(static_cast<wint_t>(c), locale);
}

bool isCombiningMark(char32_t c) {
    if (c < 0x300 || inRanges(formatCharacters, c))
        return false;
    locale_t locale = utf8Locale();
    if (!locale)
        return false;
    locale_t previous = uselocale(locale);
    int width = wcwidth(static_cast<wchar_t>(c));
    uselocale(previous);
    return width == 0;
}

bool isSpaceSeparator(char32_t c) {
    return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

} // namespace moorkeep::unicode
