#pragma once

#include <string>
#include <string_view>

namespace moorkeep::keys {

// The text without white space and line breaks at either end, Unicode spaces
// included. The text must be valid UTF-8.
std::string trimWhitespace(std::string_view text);

// The first piece of the text split at runs of white space; empty when there
// is none.
std::string_view firstPiece(std::string_view text);

// The first such piece that begins with the prefix; empty when there is none.
std::string_view firstPieceStartingWith(std::string_view text, std::string_view prefix);

} // namespace moorkeep::keys
