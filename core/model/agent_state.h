#pragma once

#include "model/ssh_key.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace moorkeep {

// What the user's ssh-agent holds, as far as it could be asked.
struct AgentState {
    // Why no agent could be asked, for the user ("No ssh-agent is running
    // (SSH_AUTH_SOCK is not set)"); absent while one answers.
    std::optional<std::string> problem;
    // The SHA-256 fingerprints ("SHA256:...") of the identities it holds.
    std::set<std::string> fingerprints;

    bool isRunning() const { return !problem; }
    // The agent knows a key only by its public half, so keys are compared by
    // fingerprint.
    bool holds(const SSHKey& key) const { return fingerprints.contains(key.fingerprint); }

    bool operator==(const AgentState&) const = default;
};

// A key to load into the agent.
struct AgentAddOptions {
    std::string keyId;
    std::string passphrase; // empty for a key without one
    // How long the agent keeps the key; absent: until the agent stops.
    std::optional<std::int64_t> lifetimeSeconds;

    bool operator==(const AgentAddOptions&) const = default;
};

} // namespace moorkeep
