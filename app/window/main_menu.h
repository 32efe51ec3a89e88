#pragma once

class QAction;
class QMenu;
class QMenuBar;

// The main window's menus: the application menu with Preferences and Quit,
// the Edit menu with Undo and Redo,
// the Host and Key menus of the screens (the Key menu ending in the submenu
// that copies any key), the View menu with the sidebar and the grouping, and
// the Help menu with the update check after the About item.
namespace moorkeep::MainMenu {

struct Actions {
    QAction* preferences;
    QAction* quit;
    QAction* about;
    QAction* checkForUpdates;
    QMenu* edit;
    QMenu* hosts;
    QMenu* keys;
    QMenu* keyCopies;
    QAction* toggleSidebar;
    QAction* groupByFile;
};

void populate(QMenuBar* menuBar, const Actions& actions);

} // namespace moorkeep::MainMenu
