#pragma once

#include <QMenu>

namespace moorkeep {

class AppModel;

// The Key menu's "Copy Public Key of" submenu: the shared key entries for
// the model's current keys, rebuilt whenever they or what the agent holds
// change.
class KeysMenu : public QMenu {
    Q_OBJECT

public:
    explicit KeysMenu(AppModel& model, QWidget* parent = nullptr);

private:
    void rebuild();

    AppModel& model_;
};

} // namespace moorkeep
