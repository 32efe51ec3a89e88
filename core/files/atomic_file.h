#pragma once

#include "files/file_stamp.h"
#include "files/interrupt_cleanup.h"

#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace moorkeep::files {

// Writes the bytes whole: a temporary file in the same directory, flushed to
// disk, then renamed over the old one, so readers see the old or the new file
// and never a part. An existing file keeps its permission bits; a new one gets
// newFileMode. When the path is a symbolic link, the link's final target is
// written and the link stays. Throws FileError.
void writeAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode = 0600);

// writeAtomically in two steps: the temporary file is written and flushed
// first, and takes the old file's place only on commit(). Dropped without a
// commit, or when the process is interrupted (see InterruptCleanup), it is
// removed and the old file stays. Throws FileError.
class PendingReplacement {
public:
    PendingReplacement(const std::string& path, std::string_view bytes, mode_t newFileMode = 0600);
    ~PendingReplacement();
    PendingReplacement(const PendingReplacement&) = delete;
    PendingReplacement& operator=(const PendingReplacement&) = delete;

    void commit();
    // Commits only when the file (links followed) still has this stamp,
    // looked at right before the rename; returns whether it did.
    bool commitIfStill(const FileStamp& stamp);

private:
    std::string target_;
    std::string temporary_;
    std::optional<InterruptCleanup::Guard> interrupted_;
};

// Writes all bytes to the open descriptor, sets its mode, flushes it to disk
// (unless toDisk is false) and closes it. Returns 0, or the errno of the
// first failure (the descriptor is closed either way).
int finishFile(int fd, std::string_view bytes, mode_t mode, bool toDisk = true);

// Creates the file only when nothing has its name, so that two writers never
// write over each other, and finishes it as finishFile does. Returns 0,
// EEXIST when the name is taken, or the errno of the first failure (a file
// left half-written is removed).
int writeNewFile(const std::string& path, std::string_view bytes, mode_t mode, bool toDisk = true);

// The path with symbolic links of its last component followed to the end.
std::string resolveLinks(const std::string& path);

// Like mkdir -p; directories it creates get the given mode. Throws FileError.
void createDirectories(const std::string& path, mode_t mode);

// Throws FileError.
void setPermissions(const std::string& path, mode_t mode);

} // namespace moorkeep::files
