#include "window/edit_menu.h"

#include "model/app_model.h"
#include "window/shortcuts.h"

#include <QAction>

namespace moorkeep {

EditMenu::EditMenu(AppModel& model, QWidget* window)
    : QMenu(tr("&Edit"), window)
    , model_(model)
    , undo_(addAction(tr("&Undo")))
    , redo_(addAction(tr("&Redo"))) {
    setObjectName(QStringLiteral("editMenu"));
    undo_->setObjectName(QStringLiteral("undoAction"));
    undo_->setShortcut(Shortcuts::undo());
    redo_->setObjectName(QStringLiteral("redoAction"));
    redo_->setShortcut(Shortcuts::redo());
    window->addAction(undo_);
    window->addAction(redo_);
    connect(undo_, &QAction::triggered, this, [this] { model_.undo(); });
    connect(redo_, &QAction::triggered, this, [this] { model_.redo(); });
    connect(&model_, &AppModel::undoChanged, this, &EditMenu::update);
    connect(&model_, &AppModel::isLoadingChanged, this, &EditMenu::update);
    update();
}

void EditMenu::update() {
    const bool loaded = !model_.isLoading();
    const auto undoName = model_.undoName();
    const auto redoName = model_.redoName();
    undo_->setText(undoName ? tr("&Undo %1").arg(*undoName) : tr("&Undo"));
    redo_->setText(redoName ? tr("&Redo %1").arg(*redoName) : tr("&Redo"));
    undo_->setEnabled(loaded && undoName);
    redo_->setEnabled(loaded && redoName);
}

} // namespace moorkeep
