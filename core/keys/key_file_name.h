#pragma once

#include <string>
#include <string_view>

namespace moorkeep {

// The file name under which a key of this name is stored: every Unicode
// scalar outside [A-Za-z0-9_-] becomes one "_".
std::string sanitizeKeyFileName(std::string_view name);

// Whether OpenSSH uses this file name in ~/.ssh for a file of its own
// (config, known_hosts, authorized_keys and the like, or any name ending in
// ".pub"), so that a key must not take it.
bool isReservedKeyFileName(std::string_view name);
// Why such a name is refused, for the user.
std::string reservedKeyFileNameMessage(std::string_view name);

} // namespace moorkeep
