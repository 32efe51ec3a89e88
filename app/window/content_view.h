#pragma once

#include "hosts/hosts_state.h"
#include "keys/keys_state.h"

#include <QMainWindow>

class QAction;
class QMenu;
class QStackedWidget;

namespace moorkeep {

class AppKitSplitView;
class AppModel;
class HostsScreen;
class KeysScreen;
class LoadingSpinner;

// The main window: a spinner until the first snapshot is in, then the split
// view with the current tab's sidebar and detail; the toolbar with the
// sidebar toggle and the view switch; the error alert. Loads the model each
// time it is shown and rescans the keys whenever the application becomes
// active again. The screens' state lives here, made anew with the window.
// What the model reports as done shows for a moment in the status line.
class ContentView : public QMainWindow {
    Q_OBJECT

public:
    // Small enough for 800x600 and for 960x540 (1920x1080 at 200%) with the
    // title bar and a panel: the detail scrolls, its buttons stay in reach.
    static constexpr QSize minimumContentSize{560, 360};
    static constexpr int noticeMilliseconds = 4000;

    // The window loads the model when it appears, unless its caller has
    // started that load already.
    enum class Load { onShow, startedAhead };
    explicit ContentView(AppModel& model, Load load = Load::onShow, QWidget* parent = nullptr);

    HostsState& hostsState() { return hostsState_; }
    KeysState& keysState() { return keysState_; }
    bool isSidebarCollapsed() const { return isSidebarCollapsed_; }
    // The screens' menus, for the menu bar.
    QMenu* hostMenu() const;
    QMenu* keyMenu() const;
    QMenu* editMenu() const { return editMenu_; }
    // For the View menu.
    QAction* toggleSidebarAction() const { return toggleSidebarAction_; }
    QAction* groupByFileAction() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolBar();
    void buildStatusLine();
    void updateStatusLine();
    void addTabShortcuts();
    void showContent();
    void showScreen();
    void toggleSidebar();
    // On the Hosts tab, with nothing hiding it.
    void showHost(const std::string& id);
    void applicationStateChanged(Qt::ApplicationState state);

    AppModel& model_;
    Load firstLoad_;
    HostsState hostsState_;
    KeysState keysState_;
    bool didHandleInitialActivation_ = false;
    bool isSidebarCollapsed_ = false;

    QAction* toggleSidebarAction_;
    QStackedWidget* pages_;
    LoadingSpinner* spinner_;
    AppKitSplitView* splitView_;
    HostsScreen* hostsScreen_;
    KeysScreen* keysScreen_;
    QMenu* editMenu_ = nullptr;
};

} // namespace moorkeep
