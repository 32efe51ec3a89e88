#pragma once

#include <string>
#include <string_view>

namespace moorkeep::cli {

// The text with every control character and text direction mark shown as an
// escape ("\e", "\n", "\x01", "\u009b", "\u202e", ...), so that names and
// comments read from files cannot steer the terminal, fake lines of output
// or show as other names. keepLineFeeds leaves line feeds as they are, for
// text that is meant to have several lines.
std::string visible(std::string_view text, bool keepLineFeeds = false);

} // namespace moorkeep::cli
