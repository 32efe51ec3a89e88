#pragma once

#include "hosts/hosts_state.h"
#include "sidebar.h"

namespace moorkeep {

class AppModel;
class HostListModel;

// The Hosts screen's sidebar: the search box and the add button, the host
// list, and the footer with the host count and the Defaults button.
class HostsSidebar : public Sidebar {
    Q_OBJECT

public:
    HostsSidebar(AppModel& model, HostsState& state, QWidget* parent = nullptr);

    HostsState& state() const { return state_; }
    HostListModel* listModel() const { return listModel_; }

protected:
    QString countText() const override;

private:
    HostsSidebar(AppModel& model, HostsState& state, HostListModel* listModel, QWidget* parent);

    AppModel& model_;
    HostsState& state_;
    HostListModel* listModel_;
};

} // namespace moorkeep
