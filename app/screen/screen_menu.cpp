#include "screen_menu.h"

#include "model/app_model.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace moorkeep {

ScreenMenu::ScreenMenu(const QString& title, const QString& objectName, AppTab tab, QWidget& window,
                       QObject* owner)
    : tab_(tab)
    , window_(window)
    , owner_(owner)
    , menu_(new QMenu(title, &window)) {
    menu_->setObjectName(objectName);
}

QAction* ScreenMenu::add(const QString& objectName, const QString& text, const QKeySequence& key,
                         std::function<void()> run) {
    auto* action = new QAction(text, owner_);
    action->setObjectName(objectName);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, owner_, std::move(run));
    window_.addAction(action);
    menu_->addAction(action);
    actions_.append(action);
    return action;
}

QAction* ScreenMenu::addForSelection(const QString& objectName, const QString& text,
                                     const QKeySequence& key, std::function<void()> run) {
    QAction* action = add(objectName, text, key, std::move(run));
    forSelection_.append(action);
    return action;
}

void ScreenMenu::addSeparator() {
    menu_->addSeparator();
}

void ScreenMenu::update(const AppModel& model, bool hasSelection) {
    const bool shown = model.tab() == tab_ && !model.isLoading();
    for (QAction* action : actions_)
        action->setEnabled(shown && (hasSelection || !forSelection_.contains(action)));
}

} // namespace moorkeep
