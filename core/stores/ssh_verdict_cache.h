#pragma once

#include "diagnosis/finding.h"
#include "model/config_records.h"
#include "stores/vault_store.h"

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

    // The kept findings when they are still true, otherwise ssh's answer
    // now, which is then kept. Failing to keep it only costs the next run.
    std::vector<Finding> findings(const std::string& sshPath, const StoreFiles& files,
                                  const ConfigFiles& met) const;

private:
    std::string path_;
};

} // namespace moorkeep
