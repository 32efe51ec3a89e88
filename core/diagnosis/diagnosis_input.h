#pragma once

#include "diagnosis/finding.h"
#include "openssh/openssh_evaluator.h"
#include "stores/vault_store.h"

#include <functional>
#include <string>
#include <vector>

namespace moorkeep {

// What every check of the diagnosis reads: the store's files, the
// configuration as OpenSSH reads it (indexed for many names) and the user
// OpenSSH evaluates for.
struct DiagnosisInput {
    StoreFiles files;
    std::string sshPath;
    const config::OpenSSHEvaluator& evaluator;
    std::string localUser;
    // The keys in ~/.ssh with their certificates, as the store lists them.
    std::vector<SSHKey> keys{};

    // A finding placed at a line of the configuration, or at a file (line 0).
    Finding at(Severity severity, std::string code, const std::string& path, std::size_t line,
               std::string message) const;
};

// A finding placed at a line of the configuration, or at a file (line 0),
// the file shown as the store's files name it.
Finding findingAt(const StoreFiles& files, Severity severity, std::string code,
                  const std::string& path, std::size_t line, std::string message);

// One check: adds what it finds. Checks never fail.
using FindingSource = std::function<void(const DiagnosisInput&, std::vector<Finding>&)>;

} // namespace moorkeep
