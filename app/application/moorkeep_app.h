#pragma once

#include "application/store_choice.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QSystemTrayIcon;

namespace moorkeep {

class AppModel;
class ConnectFeatures;
class ContentView;
class UpdaterController;

// The application itself: chooses the store, owns the update checks and the
// one app model for the life of the process, and opens the main window with
// its menus and the tray icon.
class MoorkeepApp : public QObject {
    Q_OBJECT

public:
    using StoreFactory = std::function<std::shared_ptr<VaultStore>()>;

    explicit MoorkeepApp(const StoreFactory& makeStore = StoreChoice::storeFromEnvironment,
                         QObject* parent = nullptr);
    ~MoorkeepApp() override;

    AppModel& model() const { return *model_; }
    ConnectFeatures& connectFeatures() const { return *connectFeatures_; }
    ContentView* mainWindow() const;

    // Opens the main window, made anew if it was closed, or brings it forward.
    void showMainWindow();

    // Closing the window leaves the process running only while this icon can
    // bring the window back; without one (or where the desktop has no tray)
    // closing the window quits.
    void setTrayIcon(QSystemTrayIcon* icon);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateQuitPolicy();
    void notifyDesktop(const QString& message);
    void showAbout();

    UpdaterController* updater_;
    std::unique_ptr<AppModel> model_;
    ConnectFeatures* connectFeatures_;
    QAction* quitAction_;
    QAction* aboutAction_;
    QPointer<ContentView> mainWindow_;
    bool loadedAhead_ = false; // the first window's load, started with the model
    QPointer<QSystemTrayIcon> trayIcon_;
};

} // namespace moorkeep
