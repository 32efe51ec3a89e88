#pragma once

#include <QWidget>

namespace moorkeep {

class AppModel;

// What the detail pane shows when no key is selected: with keys in the list,
// the hint to select one; without any, a note that no key was found and a
// button that scans ~/.ssh again.
class EmptyKeysState : public QWidget {
    Q_OBJECT

public:
    EmptyKeysState(AppModel& model, bool anyKeys, QWidget* parent = nullptr);
};

} // namespace moorkeep
