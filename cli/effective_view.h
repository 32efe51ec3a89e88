#pragma once

#include "model/host_evaluation.h"
#include "output.h"

#include <nlohmann/json.hpp>

namespace moorkeep::cli::views {

// What OpenSSH uses for a name, as `host show NAME --effective` prints it:
// keywords lower-case and HostName expanded, as `ssh -G` prints them.
nlohmann::json effectiveJson(const HostEvaluation& evaluation);
void printEffective(Output& output, const HostEvaluation& evaluation);

} // namespace moorkeep::cli::views
