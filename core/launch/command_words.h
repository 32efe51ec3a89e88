#pragma once

#include <string>
#include <string_view>
#include <vector>

// A command line the user typed, such as a preferred terminal, read into
// words the way a POSIX shell reads them, without ever running a shell.
namespace moorkeep::CommandWords {

// Words are separated by blanks outside quotes. Single quotes keep
// everything up to the next one; double quotes keep everything but "\" before
// $ ` " \ or a newline; outside quotes "\" keeps the next character (and
// joins lines). Nothing is expanded: $, ~, * and # are plain characters.
// Throws std::invalid_argument, naming the quote, when a quote is left open.
std::vector<std::string> split(std::string_view line);

} // namespace moorkeep::CommandWords
