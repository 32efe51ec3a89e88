#pragma once

#include "hosts/host_sheet.h"
#include "model/ssh_host.h"
#include "screen_state.h"

namespace moorkeep {

using HostsState = ScreenStateOf<HostSheet, SSHHost>;

} // namespace moorkeep
