#pragma once

#include "model/agent_state.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

// Asking and changing the user's ssh-agent through ssh-add, which reaches it
// by the SSH_AUTH_SOCK of this process. A passphrase is answered through
// Askpass, never on a command line.
namespace moorkeep::AgentTool {

inline constexpr const char* agentToolPath = "/usr/bin/ssh-add";
inline constexpr double queryLimitSeconds = 5.0;
// Long enough for a slow key derivation after the passphrase is answered.
inline constexpr double changeLimitSeconds = 15.0;
// The longest lifetime ssh-add takes: 2^32 - 1 seconds.
inline constexpr std::int64_t longestLifetimeSeconds = 4294967295;

// What the agent holds (`ssh-add -l -E sha256`). Never fails: no agent, or
// one that cannot be asked, is a state with a problem.
AgentState query(const std::string& toolPath = agentToolPath);

// Throws std::invalid_argument for a lifetime out of range or a passphrase
// with control characters (which would cut it short).
void checkRequest(const std::string& passphrase, std::optional<std::int64_t> lifetimeSeconds);

// Loads the private key for the lifetime given (`ssh-add [-t SECONDS] PATH`).
// shownPath stands for privatePath in messages. Throws AgentError, or what
// checkRequest throws.
void add(const std::string& privatePath, const std::string& shownPath,
         const std::string& passphrase, std::optional<std::int64_t> lifetimeSeconds,
         const std::string& toolPath = agentToolPath);

// Unloads the key (`ssh-add -d PATH`, which reads the public half beside
// it). Throws AgentError.
void remove(const std::string& privatePath, const std::string& shownPath,
            const std::string& toolPath = agentToolPath);

// The "SHA256:" fingerprints of what `ssh-add -l -E sha256` printed: one
// identity per line, the fingerprint its second word.
std::set<std::string> listedFingerprints(std::string_view output);

} // namespace moorkeep::AgentTool
