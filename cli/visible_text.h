#pragma once

#include <string>
#include <string_view>

namespace moorkeep::cli {

// The text with every control character shown as an escape ("\e", "\n",
// "\x01", "\u009b", ...), so that names and comments read from files cannot
// steer the terminal or fake lines of output. keepLineFeeds leaves line
// feeds as they are, for text that is meant to have several lines.
std::string visible(std::string_view text, bool keepLineFeeds = false);

} // namespace moorkeep::cli
