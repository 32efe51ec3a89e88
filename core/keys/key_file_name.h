#pragma once

#include <string>
#include <string_view>

namespace moorkeep {

// The file name under which a key of this name is stored: every Unicode
// scalar outside [A-Za-z0-9_-] becomes one "_".
std::string sanitizeKeyFileName(std::string_view name);

} // namespace moorkeep
