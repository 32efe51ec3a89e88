#include "model/agent_error.h"

namespace moorkeep {

AgentError::AgentError(Kind kind, const std::string& message)
    : std::runtime_error(message)
    , kind_(kind) {}

AgentError AgentError::notRunning(const std::string& problem) {
    return {Kind::notRunning, problem};
}

AgentError AgentError::wrongPassphrase(const std::string& path, bool given) {
    return {Kind::wrongPassphrase, given ? "The passphrase of " + path + " is not right."
                                         : path + " is protected: its passphrase is needed."};
}

AgentError AgentError::failed(const std::string& message) {
    return {Kind::failed, "ssh-add failed: " + message};
}

} // namespace moorkeep
