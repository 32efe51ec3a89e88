#pragma once

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

namespace moorkeep::files {

// A change of a file that other programs may write at any moment (an editor
// saving it, a script appending to it), which must not lose what they write
// while the change is prepared.
struct FreshEdit {
    // The file's bytes as they are, nothing when it is missing; throws
    // when the file must not be replaced.
    std::function<std::optional<std::string>(const std::string& path)> read;
    // The new bytes made from those, nothing when there is nothing to write.
    std::function<std::optional<std::string>(const std::optional<std::string>& current)> edit;
    // Called with both before the replace (checks, a backup); may throw to
    // stop it.
    std::function<void(const std::optional<std::string>& current, const std::string& next)>
        prepare = {};
    // Undoes what prepare made, when the file is then not replaced with
    // what it was prepared for.
    std::function<void()> unprepare = {};
    mode_t newFileMode = 0600;
};

// Replaces the file with the edit of what it holds, atomically (see
// PendingReplacement). Once prepared, the file is read again: when it is no
// longer what the edit started from, or its stamp moves before the rename,
// the edit is made and prepared anew from what it holds then. Returns false
// when the edit made nothing. Throws FileError, the file unchanged, when it
// kept changing over every attempt.
bool replaceFresh(const std::string& path, const FreshEdit& change);

// After the file was replaced: whatever another program appended to the
// replaced file (still open as `replaced`, which held `read` when it was
// last looked at) in the moment between that look and the replacement is
// appended to the new file, so that it is not lost with the old one.
void carryOverAppends(int replaced, const std::string& path, const std::string& read);

} // namespace moorkeep::files
