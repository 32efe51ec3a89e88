#pragma once

#include "files/interrupt_cleanup.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moorkeep::files {

// The entry names of a folder in the order the system lists them, hidden ones
// included, "." and ".." left out; nothing when it cannot be listed whole.
std::optional<std::vector<std::string>> entryNames(const std::string& folder);

// Where short-lived private files go: $XDG_RUNTIME_DIR, else $TMPDIR, else
// /tmp (a variable counts only when it names an existing folder).
std::string temporaryRoot();

// A new folder only its owner can enter, named the prefix and six random
// characters, inside the parent, and named in the guard as it is made.
// Throws FileError naming what it was for.
std::string makePrivateFolder(const std::string& parent, std::string_view prefix,
                              const std::string& purpose,
                              std::optional<InterruptCleanup::Guard>& guard);

// The folder and the files directly in it removed; nothing is reported.
void removeFolderAndFiles(const std::string& folder);

} // namespace moorkeep::files
