#pragma once

#include "model/agent_state.h"
#include "model/key_requests.h"
#include "stores/key_pairs.h"
#include "stores/store_places.h"

#include <string>

namespace moorkeep {

// The agent of this process's SSH_AUTH_SOCK, through ssh-add.
class StoreAgent {
public:
    StoreAgent(const StorePlaces& places, const KeyPairs& keyPairs);

    AgentState keys() const;
    void add(const AgentAddOptions& options) const;
    void remove(const std::string& keyId) const;

private:
    const StorePlaces& places_;
    const KeyPairs& keyPairs_;
};

} // namespace moorkeep
