#pragma once

#include <memory>

class QSettings;

// The window's own preferences (what it shows and remembers between runs, never
// anything OpenSSH reads): one INI file, $XDG_CONFIG_HOME/Moorkeep/moorkeep.conf.
namespace moorkeep::AppSettings {

std::unique_ptr<QSettings> open();

} // namespace moorkeep::AppSettings
