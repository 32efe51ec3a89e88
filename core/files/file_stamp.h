#pragma once

#include <string>

namespace moorkeep::files {

// What the file system says of one path (links followed): enough to tell
// that it was written, replaced, removed or created since it was looked at.
// For a folder, entries added or removed change it too.
struct FileStamp {
    bool exists = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedNs = 0;
    long long changedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const std::string& path);

} // namespace moorkeep::files
