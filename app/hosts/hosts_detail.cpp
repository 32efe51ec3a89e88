#include "hosts/hosts_detail.h"

#include "app_model.h"
#include "hosts/empty_hosts_state.h"
#include "hosts/host_detail_view.h"
#include "hosts/hosts_state.h"

#include <QVBoxLayout>
#include <algorithm>

namespace moorkeep {

HostsDetail::HostsDetail(AppModel& model, HostsState& state, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , state_(state) {
    setObjectName(QStringLiteral("hostsDetail"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The pane is filled once the window has painted the rest, a moment
    // later: building a host's view is the largest part of showing the
    // screen, and the window shows the list a step sooner without it.
    firstRefresh_.setSingleShot(true);
    firstRefresh_.setInterval(5);
    connect(&firstRefresh_, &QTimer::timeout, this, &HostsDetail::refresh);
    firstRefresh_.start();
    auto refreshSoon = [this] {
        if (!firstRefresh_.isActive())
            refresh();
    };
    connect(&model_, &AppModel::hostsChanged, this, refreshSoon);
    connect(&model_, &AppModel::keysChanged, this, refreshSoon);
    connect(&state_, &HostsState::selectedIdChanged, this, refreshSoon);
}

// The view is made anew only when the host or its key differs from what is
// shown, so an unrelated change keeps "Copied" and the scroll position.
void HostsDetail::refresh() {
    const auto& hosts = model_.hosts();
    auto host = state_.selectedId()
                    ? std::find_if(hosts.begin(), hosts.end(),
                                   [&](const SSHHost& h) { return h.id == *state_.selectedId(); })
                    : hosts.end();
    if (host == hosts.end()) {
        const bool anyHosts = !hosts.empty();
        if (!shown_ || hostView_ || shownAnyHosts_ != anyHosts) {
            delete shown_;
            shown_ = new EmptyHostsState(anyHosts);
            shownAnyHosts_ = anyHosts;
            layout()->addWidget(shown_);
        }
        return;
    }
    const auto keyInfo = host->keyId ? model_.keyWithId(*host->keyId) : std::nullopt;
    if (hostView_ && hostView_->host() == *host && hostView_->keyInfo() == keyInfo)
        return;
    delete shown_;
    const SSHHost shownHost = *host;
    hostView_ = new HostDetailView(
        shownHost, keyInfo, [this, shownHost] { state_.setSheet(HostSheet::edit(shownHost)); },
        [this, shownHost] { state_.setHostToDelete(shownHost); });
    connect(hostView_, &HostDetailView::connectRequested, this,
            [this, shownHost] { state_.requestConnect(shownHost); });
    connect(hostView_, &HostDetailView::installKeyRequested, this,
            [this, shownHost] { state_.requestKeyInstall(shownHost); });
    shown_ = hostView_;
    layout()->addWidget(shown_);
}

} // namespace moorkeep
