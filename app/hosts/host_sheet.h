#pragma once

#include "model/ssh_host.h"
#include "screen/screen_sheet.h"

namespace moorkeep {

enum class HostSheetKind { edit, add, duplicate, defaults };

inline const char* kindName(HostSheetKind kind) {
    switch (kind) {
    case HostSheetKind::edit:
        return "edit";
    case HostSheetKind::add:
        return "add";
    case HostSheetKind::duplicate:
        return "duplicate";
    case HostSheetKind::defaults:
        break;
    }
    return "defaults";
}

// Which dialog is open over the Hosts screen; edit names the host to edit,
// duplicate the host a new one is filled from.
struct HostSheet : ScreenSheet<HostSheetKind, SSHHost> {
    using Kind = HostSheetKind;

    static HostSheet edit(SSHHost host) { return {{Kind::edit, std::move(host)}}; }
    static HostSheet add() { return {{Kind::add, std::nullopt}}; }
    static HostSheet duplicate(SSHHost host) { return {{Kind::duplicate, std::move(host)}}; }
    static HostSheet defaults() { return {{Kind::defaults, std::nullopt}}; }
};

} // namespace moorkeep
