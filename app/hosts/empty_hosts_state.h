#pragma once

#include <QWidget>

namespace moorkeep {

// The detail pane when no host is selected: the hint to select one, or,
// without any hosts, to add one.
class EmptyHostsState : public QWidget {
    Q_OBJECT

public:
    explicit EmptyHostsState(bool anyHosts, QWidget* parent = nullptr);
};

} // namespace moorkeep
