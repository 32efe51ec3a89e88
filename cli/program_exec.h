#pragma once

#include <string>
#include <vector>

namespace moorkeep::cli {

// Replaces this process with the program, found along $PATH, run with the
// arguments (program first) on the same terminal, without a shell. Returns
// only by throwing: std::runtime_error when the program is not installed or
// cannot be started.
[[noreturn]] void replaceProcessWith(const std::vector<std::string>& arguments);

} // namespace moorkeep::cli
