#pragma once

#include "hosts/host_detail_view.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace moorkeep {

class AppModel;

class HostsState;

// The Hosts screen's detail pane: the selected host (of all hosts, whatever
// the search), or the empty state.
class HostsDetail : public QWidget {
    Q_OBJECT

public:
    HostsDetail(AppModel& model, HostsState& state, QWidget* parent = nullptr);

    HostsState& state() const { return state_; }
    // The shown host's view, or null while nothing is selected.
    HostDetailView* hostView() const { return hostView_; }

private:
    void refresh();

    AppModel& model_;
    HostsState& state_;
    QPointer<QWidget> shown_;
    QPointer<HostDetailView> hostView_;
    bool shownAnyHosts_ = false;
    QTimer firstRefresh_;
};

} // namespace moorkeep
