#pragma once

#include <QMenu>
#include <functional>

class QAction;

namespace moorkeep {

class AppModel;

// The tray icon's menu: the heading, the Connect submenu, the shared key
// entries ("Copy Public Key: NAME"), "Show Window", "Check for Updates…" and
// "Quit Moorkeep". Rebuilt whenever the model's
// keys or what the agent holds change.
class TrayMenu : public QMenu {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> openWindow;
        // Shared with the main window's menus; their owners keep them.
        QAction* checkForUpdates;
        QAction* quit;
        // The hosts to connect to, if any; its owner keeps it.
        QMenu* connect = nullptr;
    };

    TrayMenu(AppModel& model, Actions actions, QWidget* parent = nullptr);

private:
    void rebuild();
    QAction* mirror(QAction* shared);

    AppModel& model_;
    Actions actions_;
    QAction* checkForUpdates_;
    QAction* quit_;
};

} // namespace moorkeep
