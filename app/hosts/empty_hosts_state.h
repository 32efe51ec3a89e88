#pragma once

#include <QWidget>

namespace moorkeep {

// The detail pane when no host is selected.
class EmptyHostsState : public QWidget {
    Q_OBJECT

public:
    explicit EmptyHostsState(QWidget* parent = nullptr);
};

} // namespace moorkeep
