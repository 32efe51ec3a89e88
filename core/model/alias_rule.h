#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moorkeep {

// What is wrong with an alias as a name for one host, or nothing. In OpenSSH
// a Host line with white space or a comma is several patterns, "*" and "?"
// are wildcards, "!" negates, and a destination starting with "-" is read as
// an option: none of them names one host.
std::optional<std::string> aliasProblem(std::string_view alias);

} // namespace moorkeep
