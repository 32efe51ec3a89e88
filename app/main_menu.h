#pragma once

class QAction;
class QMenu;
class QMenuBar;

// The main window's menus: the application menu, the Keys menu with the key
// list, and the Help menu with the update check after the About item.
namespace moorkeep::MainMenu {

struct Actions {
    QAction* quit;
    QAction* about;
    QAction* checkForUpdates;
    QMenu* keys;
};

void populate(QMenuBar* menuBar, const Actions& actions);

} // namespace moorkeep::MainMenu
