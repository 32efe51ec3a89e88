#pragma once

#include "diagnosis/finding.h"
#include "model/config_records.h"
#include "stores/vault_store.h"

#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

// ssh's findings over the whole configuration, kept in a file with the
// stamps of ssh and of every file and folder the reading met: while none of
// them changed, ssh says the same again, and a command that only reads need
// not wait for a whole `ssh -G` each time.
class SshVerdictCache {
public:
    explicit SshVerdictCache(std::string path);

    // ssh's findings kept from before, and the configuration files its
    // reading met, while ssh, the home and every file and folder that reading
    // met are as they were: then the configuration reads as it did, and
    // nothing need be read to know it.
    struct Kept {
        std::vector<Finding> findings;
        std::vector<std::string> configFiles;
    };
    std::optional<Kept> kept(const std::string& sshPath, const StoreFiles& files) const;

    // ssh's answer now, kept with the stamps of what this reading met.
    // Failing to keep it only costs the next run.
    std::vector<Finding> askAndKeep(const std::string& sshPath, const StoreFiles& files,
                                    const ConfigFiles& met) const;

private:
    std::string path_;
};

} // namespace moorkeep
