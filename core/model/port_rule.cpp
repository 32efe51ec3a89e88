#include "model/port_rule.h"

#include "model/input_rules.h"

#include <algorithm>

namespace moorkeep {

std::optional<std::int64_t> portFromField(std::string_view text) {
    if (text.empty())
        return 22;
    // Digits only: no sign, no spaces.
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const auto value = InputRules::parseInteger(text);
    if (!value || *value < 1 || *value > 65535)
        return std::nullopt;
    return value;
}

std::optional<std::string> portProblem(std::string_view text) {
    if (portFromField(text))
        return std::nullopt;
    return "Port must be a number from 1 to 65535.";
}

} // namespace moorkeep
