#include "model/ascii.h"

#include <algorithm>

namespace moorkeep {

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = asciiLower(c);
    return lower;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

} // namespace moorkeep
