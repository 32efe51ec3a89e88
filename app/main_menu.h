#pragma once

class QAction;
class QMenuBar;

// The main window's menus. The application menu and the Help menu hold the
// standard items; the key list and the update check join them later.
namespace moorkeep::MainMenu {

struct Actions {
    QAction* quit;
    QAction* about;
};

void populate(QMenuBar* menuBar, const Actions& actions);

} // namespace moorkeep::MainMenu
