#include "model/port_rule.h"

namespace moorkeep {

std::optional<std::int64_t> portFromField(std::string_view text) {
    if (text.empty())
        return 22;
    // Digits only: no sign, no spaces. Six digits already exceed the range,
    // so leading zeros aside nothing can overflow.
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 65535)
            return std::nullopt;
    }
    if (value < 1)
        return std::nullopt;
    return value;
}

std::optional<std::string> portProblem(std::string_view text) {
    if (portFromField(text))
        return std::nullopt;
    return "Port must be a number from 1 to 65535.";
}

} // namespace moorkeep
