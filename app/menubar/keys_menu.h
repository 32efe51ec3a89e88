#pragma once

#include <QMenu>

namespace moorkeep {

class AppModel;

// The main window's "Keys" menu: the shared key entries for the model's
// current keys, rebuilt whenever they change.
class KeysMenu : public QMenu {
    Q_OBJECT

public:
    explicit KeysMenu(const AppModel& model, QWidget* parent = nullptr);

private:
    void rebuild();

    const AppModel& model_;
};

} // namespace moorkeep
