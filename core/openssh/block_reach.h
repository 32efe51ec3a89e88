#pragma once

#include "openssh/effect_check.h"
#include "openssh/openssh_evaluator.h"

#include <string>

// Whether OpenSSH reads a block at all for a name: a block in a file that an
// Include inside a Host or Match block reads is met only for the names that
// block takes, whatever its own Host line says.
namespace moorkeep::BlockReach {

// Throws FileError, naming the Include and the block around it, when OpenSSH
// never reads the first block whose Host patterns are `pattern` (as
// config::headerPatterns gives them) for the name.
void requireRead(const config::OpenSSHEvaluator& evaluator, const std::string& name,
                 const std::string& pattern, const std::string& localUser, const std::string& block,
                 const EffectCheck::ShowPath& showPath);

} // namespace moorkeep::BlockReach
