#pragma once

#include <optional>
#include <string>

// The socket through which ssh-add reaches the user's agent: the one that
// SSH_AUTH_SOCK names in this process's environment.
namespace moorkeep::AgentSocket {

// Why no agent can be reached there ("No ssh-agent is running (SSH_AUTH_SOCK
// is not set)", or the socket's own error), found by connecting to it; absent
// when an agent accepts the connection. Costs no child process, so asking
// often is cheap when there is no agent.
std::optional<std::string> problem();

} // namespace moorkeep::AgentSocket
