#pragma once

#include <string>
#include <string_view>

namespace moorkeep {

// First 16 lower-case hex digits of the SHA-256 of the text's bytes: the id
// rule shared by configuration hosts and scanned keys.
std::string shortDigest(std::string_view text);

} // namespace moorkeep
