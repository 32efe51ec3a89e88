#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace moorkeep {

class AppModel;
class ConnectMenu;
class ContentView;
class HostShortlist;
class TerminalLauncher;

// Everything that opens terminals, for the life of the process: the
// favourite and recent hosts, the launcher, the tray's Connect submenu and
// the Preferences command (Ctrl+,), which edits the preferred terminal.
// Alerts and dialogs open over the main window while there is one.
class ConnectFeatures : public QObject {
    Q_OBJECT

public:
    ConnectFeatures(AppModel& model, std::function<QWidget*()> window, QObject* parent = nullptr);
    ~ConnectFeatures() override;

    HostShortlist& shortlist() const { return *shortlist_; }
    TerminalLauncher& launcher() const { return *launcher_; }
    QAction* preferencesAction() const { return preferences_; }
    QMenu* trayMenu() const;

    // Adds the window's connect actions to a new main window.
    void attach(ContentView& window);

private:
    void editPreferences();

    AppModel& model_;
    std::function<QWidget*()> window_;
    HostShortlist* shortlist_;
    TerminalLauncher* launcher_;
    QAction* preferences_;
    ConnectMenu* trayMenu_;
};

} // namespace moorkeep
