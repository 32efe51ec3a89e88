#pragma once

#include "model/ssh_host.h"

#include <QTableView>
#include <vector>

namespace moorkeep {

// The hosts that use a key: ALIAS, HOSTNAME and USER in equal columns, a
// divider between rows. As tall as all its rows: the detail pane scrolls,
// not the table; only the rows in view are painted.
class UsedByTable : public QTableView {
    Q_OBJECT

public:
    explicit UsedByTable(std::vector<SSHHost> hosts, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};

} // namespace moorkeep
