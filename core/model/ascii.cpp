#include "model/ascii.h"

namespace moorkeep {

std::string asciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = asciiLower(c);
    return lower;
}

} // namespace moorkeep
