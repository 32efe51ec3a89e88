#pragma once

#include <string>

namespace moorkeep {

// A random (version 4) UUID in its 36-character upper-case text form.
std::string randomUuid();

} // namespace moorkeep
