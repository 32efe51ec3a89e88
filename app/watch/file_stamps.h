#pragma once

#include "model/vault_data.h"

#include <map>
#include <string>

namespace moorkeep {

// What the file system says of one path: enough to tell that it was
// written, replaced, removed or created since it was last looked at.
struct FileStamp {
    bool exists = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedNs = 0;
    long long changedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamps of a group of paths, by path.
using FileStamps = std::map<std::string, FileStamp>;

namespace Stamping {

FileStamp ofPath(const std::string& path);
// The configuration's files, and every entry of the folders whose listing
// decided what an Include named.
FileStamps ofConfig(const ConfigFiles& config);
// The files of key pairs in the key folder: every "<name>.pub" and the
// "<name>" beside it.
FileStamps ofKeyPairs(const std::string& keyFolder);

} // namespace Stamping
} // namespace moorkeep
