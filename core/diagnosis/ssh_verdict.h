#pragma once

#include "diagnosis/finding.h"
#include "stores/vault_store.h"

#include <string>
#include <vector>

// OpenSSH's own verdict on the whole configuration: one `ssh -G` over the
// main file (and what it includes), each message it prints kept in its own
// words and placed at the file and line it names.
namespace moorkeep::SshVerdict {

struct Verdict {
    bool asked = false;   // ssh ran to an answer
    bool refused = false; // it stopped with an error status
    std::vector<Finding> findings;
};

// Runs ssh on files.configPath, which must exist.
Verdict ask(const std::string& sshPath, const StoreFiles& files);

// The findings of what ssh printed on its standard error, ending with status.
std::vector<Finding> findingsOf(const std::string& errorOutput, int status,
                                const StoreFiles& files);

} // namespace moorkeep::SshVerdict
