#pragma once

#include "keys/key_sheet.h"
#include "model/ssh_key.h"
#include "screen/screen_state.h"

namespace moorkeep {

using KeysState = ScreenStateOf<KeySheet, SSHKey>;

} // namespace moorkeep
