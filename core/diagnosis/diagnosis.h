#pragma once

#include "diagnosis/diagnosis_input.h"
#include "diagnosis/finding.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

// "OpenSSH refuses FILE: line N: MESSAGE. ssh cannot connect to any host
// until this is fixed."
std::string refusalSentence(const Finding& refusal);

// The checks made besides OpenSSH's own verdict, in the order they run; a
// new check is added here.
const std::vector<FindingSource>& findingSources();

// What OpenSSH's own reading finds of the configuration whose files are
// configFiles (as its Include lines name them): its verdict, or a note that
// it was not asked because one of them is no plain file. As slow as one
// `ssh -G`, so it runs beside the reading and the checks.
std::vector<Finding> sshFindings(const StoreFiles& files, const std::string& sshPath,
                                 const std::vector<std::string>& configFiles);
// What every check finds, each one's apart. Slow on a large configuration:
// never on a user-interface thread.
std::vector<std::vector<Finding>> checkFindings(const DiagnosisInput& input);
// OpenSSH's findings, then those of the checks that it does not report
// already, each named with the hosts of its block and in reading order.
Diagnosis diagnose(const DiagnosisInput& input, std::vector<Finding> fromSsh,
                   std::vector<std::vector<Finding>> found);

// OpenSSH's own verdict (asked, or an answer kept from before) and the check
// of the owners and modes of the configuration's files: the first error, if
// any.
std::optional<Finding> refusal(const StoreFiles& files, const std::vector<std::string>& configFiles,
                               const std::function<std::vector<Finding>()>& askSsh);

} // namespace moorkeep
