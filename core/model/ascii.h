#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace moorkeep {

// ASCII case folding, as OpenSSH folds keywords and host names: only A-Z
// change, every other byte (UTF-8 included) stays as it is, whatever the
// locale.
constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string asciiLower(std::string_view text);

// Inline: reading a large configuration compares every keyword with several.
inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace moorkeep
