#pragma once

#include "files/file_stamp.h"
#include "model/vault_data.h"

#include <map>
#include <string>

namespace moorkeep {

// The stamps of a group of paths, by path.
using FileStamps = std::map<std::string, files::FileStamp>;

namespace Stamping {

// The configuration's files, and every entry of the folders whose listing
// decided what an Include named.
FileStamps ofConfig(const ConfigFiles& config);
// The files of key pairs in the key folder: every "<name>.pub" and the
// "<name>" beside it.
FileStamps ofKeyPairs(const std::string& keyFolder);

} // namespace Stamping
} // namespace moorkeep
