#pragma once

#include <string>
#include <string_view>

namespace moorkeep::keys {

// The first piece of the text split at runs of white space; empty when there
// is none.
std::string_view firstPiece(std::string_view text);

// The first such piece that begins with the prefix; empty when there is none.
std::string_view firstPieceStartingWith(std::string_view text, std::string_view prefix);

} // namespace moorkeep::keys
