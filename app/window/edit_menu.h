#pragma once

#include <QMenu>

class QAction;

namespace moorkeep {

class AppModel;

// The Edit menu: Undo and Redo of the configuration changes made in the
// window, each named after the change it takes back or makes again. Its
// actions belong to the window too, so their keys work without a menu bar.
class EditMenu : public QMenu {
    Q_OBJECT

public:
    EditMenu(AppModel& model, QWidget* window);

private:
    void update();

    AppModel& model_;
    QAction* undo_;
    QAction* redo_;
};

} // namespace moorkeep
