#include "hosts/hosts_detail.h"

#include "hosts/host_detail_view.h"
#include "hosts/host_findings_card.h"
#include "hosts/known_host_keys_card.h"
#include "model/app_model.h"
#include "screen/empty_state.h"
#include "window/shortcuts.h"

#include <QLabel>
#include <algorithm>

namespace moorkeep {

HostsDetail::HostsDetail(AppModel& model, HostsState& state, QWidget* parent)
    : DetailPane(QStringLiteral("hostsDetail"), parent)
    , model_(model)
    , state_(state) {
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
    connect(&state_, &ScreenState::selectedIdChanged, this, refreshSoon);
}

QWidget* HostsDetail::makeEmptyState(bool anyHosts) {
    auto* empty = new EmptyState(
        QStringLiteral("server.rack"), anyHosts ? tr("Select a host") : tr("No hosts yet"),
        anyHosts ? tr("Choose a host in the sidebar, or add a new one.")
                 : tr("Add one with the + button (%1).")
                       .arg(Shortcuts::add().toString(QKeySequence::NativeText)));
    empty->setObjectName(QStringLiteral("emptyHostsState"));
    empty->title()->setObjectName(QStringLiteral("emptyHostsTitle"));
    empty->note()->setObjectName(QStringLiteral("emptyHostsNote"));
    return empty;
}

// The view is refilled only when the host or its key differs from what is
// shown, so an unrelated change keeps "Copied" and the scroll position. It
// is made once and kept while hosts are shown: making one costs many times
// more than filling it.
void HostsDetail::refresh() {
    const SSHHost* host = model_.hostWithId(state_.selectedId());
    if (!host) {
        hostView_ = nullptr;
        showEmpty(!model_.hosts().empty());
        return;
    }
    // Without a key of its own, the host shows the first default identity
    // OpenSSH offers.
    const auto keyInfo = host->keyId                 ? model_.keyWithId(*host->keyId)
                         : host->facts.keysByDefault ? model_.keyWithId(host->facts.keyIds.front())
                                                     : std::nullopt;
    if (hostView_ && hostView_->host() == *host && hostView_->keyInfo() == keyInfo)
        return;
    const bool made = !hostView_;
    if (made)
        makeHostView();
    hostView_->setHost(*host, keyInfo);
    findings_->setHost(host->alias, keyInfo ? std::optional(keyInfo->path) : std::nullopt);
    knownKeys_->setHost(*host);
    if (made)
        showView(hostView_);
}

// Its actions are for the host it shows at the time.
void HostsDetail::makeHostView() {
    hostView_ = new HostDetailView([this] { state_.setSheet(HostSheet::edit(hostView_->host())); },
                                   [this] { state_.setToDelete(hostView_->host()); });
    connect(hostView_, &HostDetailView::connectRequested, this,
            [this] { state_.requestConnect(hostView_->host()); });
    connect(hostView_, &HostDetailView::installKeyRequested, this,
            [this] { state_.requestKeyInstall(hostView_->host()); });
    findings_ = new HostFindingsCard(model_);
    hostView_->addSection(findings_);
    knownKeys_ = new KnownHostKeysCard(model_);
    hostView_->addSection(knownKeys_);
}

} // namespace moorkeep
