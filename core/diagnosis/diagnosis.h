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

// Asks OpenSSH and runs every check. Slow on a large configuration: never
// on a user-interface thread.
Diagnosis diagnose(const DiagnosisInput& input);

// OpenSSH's own verdict (asked, or an answer kept from before) and the check
// of the owners and modes of the configuration's files: the first error, if
// any.
std::optional<Finding> refusal(const StoreFiles& files, const std::vector<std::string>& configFiles,
                               const std::function<std::vector<Finding>()>& askSsh);

} // namespace moorkeep
