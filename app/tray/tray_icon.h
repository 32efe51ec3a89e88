#pragma once

#include "tray/tray_menu.h"

class QObject;
class QSystemTrayIcon;

namespace moorkeep {

class AppModel;

namespace TrayIcon {

// The tray icon "Moorkeep" with its menu, shown at once. Clicking the icon
// opens the menu too. The menu goes with the icon.
QSystemTrayIcon* create(AppModel& model, TrayMenu::Actions actions, QObject* parent);

} // namespace TrayIcon

} // namespace moorkeep
