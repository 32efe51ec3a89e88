#pragma once

#include "hosts/hosts_state.h"
#include "screen/sidebar.h"

namespace moorkeep {

class AppModel;
class HostListModel;

// The Hosts screen's sidebar: the search box and the add button, the host
// list, and the footer with the host count and the Defaults button. Grouped
// by file, a click on a group's row folds or unfolds it, and so do Left and
// Right in the list (on a group's row or a host of it), and Enter and Space
// on a group's row.
class HostsSidebar : public Sidebar {
    Q_OBJECT

public:
    HostsSidebar(AppModel& model, HostsState& state, QWidget* parent = nullptr);

    HostsState& state() const { return state_; }
    HostListModel* listModel() const { return listModel_; }

protected:
    int allEntries() const override;
    QString countText(int count, const QString& number) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HostsSidebar(AppModel& model, HostsState& state, HostListModel* listModel, QWidget* parent);

    // Folds or unfolds the group of the row, whose row then stays current.
    void setCollapsed(int row, bool collapsed);
    bool groupKeyPressed(int key);

    AppModel& model_;
    HostsState& state_;
    HostListModel* listModel_;
};

} // namespace moorkeep
