#pragma once

#include "model/ssh_host.h"

#include <QString>
#include <optional>
#include <string>

namespace moorkeep {

// What the Hosts screen remembers while the window is open, also across
// switches to the Keys tab.
struct HostsState {
    std::optional<std::string> selectedId;
    QString search;
    std::optional<SSHHost> hostToDelete;
};

} // namespace moorkeep
