#include "moorkeep_app.h"

#include "connect/connect_features.h"
#include "model/app_model.h"
#include "tray/tray_icon.h"
#include "updates/updater_controller.h"
#include "window/content_view.h"
#include "window/keys_menu.h"
#include "window/main_menu.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <utility>

namespace moorkeep {

MoorkeepApp::MoorkeepApp(const StoreFactory& makeStore, QObject* parent)
    : QObject(parent)
    , updater_(new UpdaterController(UpdateSettings::fromBuild(), {}, this))
    , quitAction_(new QAction(tr("Quit Moorkeep"), this))
    , aboutAction_(new QAction(tr("About Moorkeep"), this)) {
    // Start-up order: the quit policy, the updater, the store, the model and
    // its first load, then the window with its menus and the tray icon. The
    // load runs on a worker while the window is built, and is applied once
    // the event loop runs. The store is chosen once and never replaced; the
    // model owns it.
    updateQuitPolicy();
    model_ = std::make_unique<AppModel>(makeStore());
    model_->load();
    loadedAhead_ = true;
    connectFeatures_ = new ConnectFeatures(
        *model_, [this]() -> QWidget* { return mainWindow_; }, this);

    quitAction_->setObjectName(QStringLiteral("quitAction"));
    quitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitAction_->setMenuRole(QAction::QuitRole);
    connect(quitAction_, &QAction::triggered, qApp, &QCoreApplication::quit);
    aboutAction_->setObjectName(QStringLiteral("aboutAction"));
    aboutAction_->setMenuRole(QAction::AboutRole);
    connect(aboutAction_, &QAction::triggered, this, &MoorkeepApp::showAbout);

    showMainWindow();
    setTrayIcon(TrayIcon::create(*model_,
                                 {[this] { showMainWindow(); }, updater_->checkAction(),
                                  quitAction_, connectFeatures_->trayMenu()},
                                 this));
    connect(model_.get(), &AppModel::notified, this, &MoorkeepApp::notifyDesktop);
}

// The window and the tray menus go before the model they read.
MoorkeepApp::~MoorkeepApp() {
    delete mainWindow_;
    delete trayIcon_;
    delete connectFeatures_;
}

ContentView* MoorkeepApp::mainWindow() const {
    return mainWindow_;
}

void MoorkeepApp::showMainWindow() {
    if (!mainWindow_) {
        // A window made anew (after the last one closed) loads as it appears.
        mainWindow_ = new ContentView(*model_, std::exchange(loadedAhead_, false)
                                                   ? ContentView::Load::startedAhead
                                                   : ContentView::Load::onShow);
        mainWindow_->setAttribute(Qt::WA_DeleteOnClose);
        mainWindow_->installEventFilter(this);
        connectFeatures_->attach(*mainWindow_);
        MainMenu::populate(mainWindow_->menuBar(),
                           {connectFeatures_->preferencesAction(), quitAction_, aboutAction_,
                            updater_->checkAction(), mainWindow_->editMenu(),
                            mainWindow_->hostMenu(), mainWindow_->keyMenu(),
                            new KeysMenu(*model_, mainWindow_), mainWindow_->toggleSidebarAction(),
                            mainWindow_->groupByFileAction()});
    }
    // A minimised window is restored: raising it alone leaves it an icon.
    mainWindow_->setWindowState((mainWindow_->windowState() & ~Qt::WindowMinimized) |
                                Qt::WindowActive);
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

void MoorkeepApp::setTrayIcon(QSystemTrayIcon* icon) {
    trayIcon_ = icon;
    updateQuitPolicy();
}

// The panel may have gone away, or come, since the icon was set: the rule is
// decided again as the window closes.
bool MoorkeepApp::eventFilter(QObject* watched, QEvent* event) {
    // The type first: the window's last events come while it is destroyed,
    // when reading the pointer to it as a ContentView is undefined.
    if (event->type() == QEvent::Close && watched == mainWindow_)
        updateQuitPolicy();
    return QObject::eventFilter(watched, event);
}

// The window's status line says it while the window shows; otherwise the
// desktop does, through the tray icon.
void MoorkeepApp::notifyDesktop(const QString& message) {
    if (mainWindow_ && mainWindow_->isVisible() && !mainWindow_->isMinimized())
        return;
    if (trayIcon_ && trayIcon_->isVisible())
        trayIcon_->showMessage(tr("Moorkeep"), message, QSystemTrayIcon::Information);
}

void MoorkeepApp::updateQuitPolicy() {
    bool trayKeepsItReachable =
        trayIcon_ && trayIcon_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
    QApplication::setQuitOnLastWindowClosed(!trayKeepsItReachable);
}

void MoorkeepApp::showAbout() {
    QMessageBox::about(mainWindow_, tr("About Moorkeep"),
                       tr("Moorkeep %1\n\nYour OpenSSH hosts, defaults and keys in one window.")
                           .arg(QStringLiteral(MOORKEEP_VERSION)));
}

} // namespace moorkeep
