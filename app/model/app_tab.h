#pragma once

namespace moorkeep {

// The screen the main window shows.
enum class AppTab { hosts, keys };

} // namespace moorkeep
