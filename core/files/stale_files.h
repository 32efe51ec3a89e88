#pragma once

#include <ctime>
#include <functional>
#include <string>

// What an interrupted or killed run left behind, found again by a later run:
// entries old enough that no run still working can own them.
namespace moorkeep::files {

// Longer than any change runs (the OpenSSH check's limit, a lock's wait and
// the retries of a file that moved) by far.
inline constexpr std::time_t staleAfterSeconds = 120;

// Removes the entries of the folder, owned by this user and unchanged for
// staleAfterSeconds, whose name (and kind) `ours` claims: a file, or a folder
// with the files directly in it. Nothing is reported.
void removeStaleEntries(const std::string& folder,
                        const std::function<bool(const std::string& name, bool isFolder)>& ours);

// Whether the name is one PendingReplacement gives the temporary file of
// `base` beside it: ".BASE.XXXXXX", six letters or digits.
bool isTemporaryOf(const std::string& name, const std::string& base);

// Removes stale temporaries of the file (links followed) beside it.
void sweepTemporariesOf(const std::string& file);

} // namespace moorkeep::files
