#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moorkeep::ProgramSearch {

// Where a program would be found, as execvp finds it: a name with a "/" is
// itself, any other is looked for in each folder of searchPath (a
// colon-separated list, as $PATH); only an executable regular file counts.
std::optional<std::string> find(std::string_view name, std::string_view searchPath);

// find along this process's $PATH.
std::optional<std::string> onPath(std::string_view name);

} // namespace moorkeep::ProgramSearch
