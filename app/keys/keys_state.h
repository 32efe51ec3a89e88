#pragma once

#include "model/ssh_key.h"

#include <QString>
#include <optional>
#include <string>

namespace moorkeep {

// What the Keys screen remembers while the window is open, also across
// switches to the Hosts tab.
struct KeysState {
    std::optional<std::string> selectedId;
    QString search;
    std::optional<SSHKey> keyToDelete;
};

} // namespace moorkeep
