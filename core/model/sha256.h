#pragma once

#include <array>
#include <string_view>

namespace moorkeep {

using Sha256Digest = std::array<unsigned char, 32>;

// The SHA-256 of the bytes.
Sha256Digest sha256(std::string_view bytes);

} // namespace moorkeep
