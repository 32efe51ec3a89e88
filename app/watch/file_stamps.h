#pragma once

#include "files/file_stamp.h"
#include "model/vault_data.h"

#include <map>
#include <string>

namespace moorkeep {

// The stamps of a group of paths, by path.
using FileStamps = std::map<std::string, files::FileStamp>;

// What a snapshot's sources hold, and what is to be watched: the files that
// exist and the nearest existing folder of each file and folder.
struct SourcesSurvey {
    FileStamps config;
    FileStamps keyPairs;
    files::FileStamp meta;
    FileStamps watchable;
};

namespace Stamping {

// The configuration's files, and every entry of the folders whose listing
// decided what an Include named.
FileStamps ofConfig(const ConfigFiles& config);
// The files of key pairs in the key folder: every "<name>.pub" and the
// "<name>" beside it.
FileStamps ofKeyPairs(const std::string& keyFolder);
// All of a snapshot's sources, each path stamped once.
SourcesSurvey ofSources(const DataSources& sources);

} // namespace Stamping
} // namespace moorkeep
