#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace moorkeep {

// A port field as the host and defaults dialogs read it: empty means 22;
// anything else must be a whole number from 1 to 65535. OpenSSH rejects the
// whole configuration for any other port, which would break every host.
std::optional<std::int64_t> portFromField(std::string_view text);
// The message for a field that portFromField does not accept, or nothing.
std::optional<std::string> portProblem(std::string_view text);

} // namespace moorkeep
