#pragma once

#include "model/app_tab.h"

#include <QList>
#include <QString>
#include <functional>

class QAction;
class QKeySequence;
class QMenu;
class QObject;
class QWidget;

namespace moorkeep {

class AppModel;

// A screen's menu of the window and its keyboard shortcuts: every action is
// both. The two screens bind some of the same keys, so a screen's actions
// work only while its tab is shown and the model is loaded, and those about
// the selection only while something is selected.
class ScreenMenu {
public:
    ScreenMenu(const QString& title, const QString& objectName, AppTab tab, QWidget& window,
               QObject* owner);

    QMenu* menu() const { return menu_; }

    QAction* add(const QString& objectName, const QString& text, const QKeySequence& key,
                 std::function<void()> run);
    QAction* addForSelection(const QString& objectName, const QString& text,
                             const QKeySequence& key, std::function<void()> run);
    void addSeparator();

    void update(const AppModel& model, bool hasSelection);

private:
    AppTab tab_;
    QWidget& window_;
    QObject* owner_;
    QMenu* menu_;
    QList<QAction*> actions_;
    QList<QAction*> forSelection_;
};

} // namespace moorkeep
