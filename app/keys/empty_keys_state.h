#pragma once

#include <QWidget>

namespace moorkeep {

class AppModel;

// What the detail pane shows when no key is selected: a note that no key
// was found and a button that scans ~/.ssh again.
class EmptyKeysState : public QWidget {
    Q_OBJECT

public:
    explicit EmptyKeysState(AppModel& model, QWidget* parent = nullptr);
};

} // namespace moorkeep
