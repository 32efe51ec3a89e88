#pragma once

#include "hosts/host_detail_view.h"
#include "hosts/hosts_state.h"
#include "screen/detail_pane.h"

#include <QTimer>

namespace moorkeep {

class AppModel;
class HostFindingsCard;
class KnownHostKeysCard;

// The Hosts screen's detail pane: the selected host (of all hosts, whatever
// the search), or the empty state.
class HostsDetail : public DetailPane {
    Q_OBJECT

public:
    HostsDetail(AppModel& model, HostsState& state, QWidget* parent = nullptr);

    HostsState& state() const { return state_; }
    // The shown host's view, or null while nothing is selected.
    HostDetailView* hostView() const { return hostView_; }

protected:
    QWidget* makeEmptyState(bool anyHosts) override;

private:
    void refresh();

    void makeHostView();

    AppModel& model_;
    HostsState& state_;
    QPointer<HostDetailView> hostView_;
    HostFindingsCard* findings_ = nullptr;
    KnownHostKeysCard* knownKeys_ = nullptr;
    QTimer firstRefresh_;
};

} // namespace moorkeep
