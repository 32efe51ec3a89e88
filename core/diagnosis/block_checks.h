#pragma once

#include "diagnosis/diagnosis_input.h"

// Checks of Host blocks that OpenSSH reads but never uses for the names they
// take: every line decided by an earlier block ("block-never-applies", and
// "duplicate-alias-shadowed" for a second block of an alias), or a file
// included under a Host or Match line that does not take the name
// ("never-read").
namespace moorkeep::BlockChecks {

void unusedBlocks(const DiagnosisInput& input, std::vector<Finding>& findings);

} // namespace moorkeep::BlockChecks
