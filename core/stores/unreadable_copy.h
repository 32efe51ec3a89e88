#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace moorkeep::UnreadableCopy {

// The name under which the unreadable content of a file is kept: the path
// followed by ".unreadable-" and the UTC time, as in
// "moorkeep-config.json.unreadable-20261206T133015Z".
std::string nameFor(const std::string& path, std::time_t when);

// Writes the bytes beside the path under nameFor(path, when), or with "-2",
// "-3", ... appended when that name is taken; never replaces an existing file.
// The copy gets permissions 600. Bytes already kept beside the path are not
// kept again. Returns the path of the copy. Throws FileError.
std::string keep(const std::string& path, std::string_view bytes, std::time_t when);

} // namespace moorkeep::UnreadableCopy
