#include "main_menu.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

namespace moorkeep::MainMenu {

namespace {

QString text(const char* source) {
    return QCoreApplication::translate("MainMenu", source);
}

void addApplicationMenu(QMenuBar* menuBar, const Actions& actions) {
    QMenu* menu = menuBar->addMenu(text("&Moorkeep"));
    menu->setObjectName(QStringLiteral("applicationMenu"));
    menu->addAction(actions.preferences);
    menu->addSeparator();
    menu->addAction(actions.quit);
}

void addViewMenu(QMenuBar* menuBar, const Actions& actions) {
    QMenu* menu = menuBar->addMenu(text("&View"));
    menu->setObjectName(QStringLiteral("viewMenu"));
    menu->addAction(actions.toggleSidebar);
    menu->addAction(actions.groupByFile);
}

void addHelpMenu(QMenuBar* menuBar, const Actions& actions) {
    QMenu* menu = menuBar->addMenu(text("&Help"));
    menu->setObjectName(QStringLiteral("helpMenu"));
    menu->addAction(actions.about);
    menu->addAction(actions.checkForUpdates);
}

} // namespace

void populate(QMenuBar* menuBar, const Actions& actions) {
    addApplicationMenu(menuBar, actions);
    menuBar->addMenu(actions.edit);
    menuBar->addMenu(actions.hosts);
    actions.keys->addSeparator();
    actions.keys->addMenu(actions.keyCopies);
    menuBar->addMenu(actions.keys);
    addViewMenu(menuBar, actions);
    addHelpMenu(menuBar, actions);
}

} // namespace moorkeep::MainMenu
