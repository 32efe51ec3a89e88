#pragma once

#include <string>

namespace moorkeep::files {

// Whether the path leads (links followed) to a regular file that lives on
// disk: not a FIFO or device, and not a file of /proc, /sys and their kin,
// which claim to be regular and empty yet may never end or change on every
// look. Such files are not fed to tools.
bool isPlainFile(const std::string& path);

} // namespace moorkeep::files
