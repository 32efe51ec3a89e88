#pragma once

#include "model/config_records.h"
#include "model/defaults.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"

#include <string>
#include <vector>

namespace moorkeep {

// Where a snapshot was read from, for callers that follow changes made
// elsewhere. Empty for a store that reads no files.
struct DataSources {
    ConfigFiles config;
    std::string keyFolder; // where the key pairs are found
    std::string metaFile;  // the metadata file

    bool operator==(const DataSources&) const = default;
};

// A full snapshot handed from a store to its callers.
struct VaultData {
    std::vector<SSHKey> keys;
    std::vector<SSHHost> hosts;
    Defaults defaults;
    // What the user should hear of the load: files that could not be used
    // (not read, too large, nested too deep), one sentence each, naming the
    // file. Everything else loaded as usual.
    std::vector<std::string> warnings;
    DataSources sources;

    bool operator==(const VaultData&) const = default;
};

} // namespace moorkeep
