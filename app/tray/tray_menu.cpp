#include "tray_menu.h"

#include "model/app_model.h"
#include "window/key_menu_items.h"

#include <QAction>

namespace moorkeep {

TrayMenu::TrayMenu(AppModel& model, Actions actions, QWidget* parent)
    : QMenu(parent)
    , model_(model)
    , actions_(std::move(actions)) {
    setObjectName(QStringLiteral("trayMenu"));
    setTitle(tr("Moorkeep"));
    connect(&model_, &AppModel::keysChanged, this, &TrayMenu::rebuild);
    connect(&model_, &AppModel::agentChanged, this, &TrayMenu::rebuild);
    checkForUpdates_ = mirror(actions_.checkForUpdates);
    quit_ = mirror(actions_.quit);
    rebuild();
}

// clear() deletes the entries this menu made; the shared ones stay.
void TrayMenu::rebuild() {
    clear();
    QAction* heading = addAction(tr("Moorkeep"));
    heading->setObjectName(QStringLiteral("trayHeading"));
    heading->setEnabled(false);
    addSeparator();
    if (actions_.connect) {
        addMenu(actions_.connect);
        addSeparator();
    }
    KeyMenuItems::addTo(
        this, model_.keys(), KeyMenuItems::copyLabel,
        [this](const SSHKey& key) { model_.notify(KeyMenuItems::copiedMessage(key)); },
        model_.agent());
    addSeparator();
    QAction* showWindow = addAction(tr("Show Window"));
    showWindow->setObjectName(QStringLiteral("showWindowAction"));
    connect(showWindow, &QAction::triggered, this, [this] { actions_.openWindow(); });
    addAction(checkForUpdates_);
    addSeparator();
    addAction(quit_);
}

// The window's shortcuts do nothing in the tray's menu, so it shows none: an
// entry of its own runs the shared action and follows its state. The shared
// action owns it, so rebuilding the menu keeps it.
QAction* TrayMenu::mirror(QAction* shared) {
    auto* entry = new QAction(shared->text(), shared);
    entry->setObjectName(shared->objectName());
    entry->setEnabled(shared->isEnabled());
    connect(shared, &QAction::enabledChanged, entry, &QAction::setEnabled);
    connect(entry, &QAction::triggered, shared, &QAction::trigger);
    return entry;
}

} // namespace moorkeep
