#include "connect/window_connect_actions.h"

#include "connect/host_shortlist.h"
#include "connect/install_key_dialog.h"
#include "connect/terminal_launcher.h"
#include "model/app_model.h"
#include "window/content_view.h"
#include "window/shortcuts.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

namespace moorkeep {

WindowConnectActions::WindowConnectActions(AppModel& model, ContentView& window,
                                           HostShortlist& shortlist, TerminalLauncher& launcher)
    : QObject(&window)
    , model_(model)
    , window_(window)
    , shortlist_(shortlist)
    , launcher_(launcher)
    , connect_(new QAction(tr("C&onnect"), this))
    , favourite_(new QAction(this))
    , install_(new QAction(tr("&Install Public Key on Host…"), this)) {
    setObjectName(QStringLiteral("windowConnectActions"));
    connect_->setObjectName(QStringLiteral("connectHostAction"));
    connect_->setShortcuts({Shortcuts::connectToHost(), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect_->setShortcutContext(Qt::WindowShortcut);
    favourite_->setObjectName(QStringLiteral("favouriteHostAction"));
    install_->setObjectName(QStringLiteral("installKeyAction"));
    window_.addAction(connect_);
    QMenu* hosts = window_.hostMenu();
    hosts->addSeparator();
    hosts->addAction(connect_);
    hosts->addAction(favourite_);
    window_.keyMenu()->addSeparator();
    window_.keyMenu()->addAction(install_);

    HostsState& state = window_.hostsState();
    connect(connect_, &QAction::triggered, this, [this] {
        if (auto host = selectedHost())
            launcher_.connectTo(*host, &window_);
    });
    connect(favourite_, &QAction::triggered, this, [this] {
        if (auto host = selectedHost()) {
            const QString alias = QString::fromStdString(host->alias);
            shortlist_.setFavourite(alias, !shortlist_.isFavourite(alias));
        }
    });
    connect(install_, &QAction::triggered, this, [this] {
        openInstallDialog(window_.hostsState().selectedId(), window_.keysState().selectedId());
    });
    connect(&state, &HostsState::connectRequested, this,
            [this](const SSHHost& host) { launcher_.connectTo(host, &window_); });
    connect(&state, &HostsState::keyInstallRequested, this, [this](const SSHHost& host) {
        openInstallDialog(host.id, host.keyId ? host.keyId : window_.keysState().selectedId());
    });

    for (auto changed : {&AppModel::tabChanged, &AppModel::isLoadingChanged,
                         &AppModel::hostsChanged, &AppModel::keysChanged})
        connect(&model_, changed, this, &WindowConnectActions::update);
    connect(&state, &HostsState::selectedIdChanged, this, &WindowConnectActions::update);
    connect(&shortlist_, &HostShortlist::changed, this, &WindowConnectActions::update);
    update();
}

// Like the screen's own actions: the Keys tab may bind the same keys.
void WindowConnectActions::update() {
    const auto host = selectedHost();
    const bool live = model_.tab() == AppTab::hosts && !model_.isLoading() && host;
    connect_->setEnabled(live);
    favourite_->setEnabled(live);
    favourite_->setText(host && shortlist_.isFavourite(QString::fromStdString(host->alias))
                            ? tr("Remove from &Favourites")
                            : tr("Add to &Favourites"));
    install_->setEnabled(!model_.isLoading() && !model_.hosts().empty() && !model_.keys().empty());
}

std::optional<SSHHost> WindowConnectActions::selectedHost() const {
    const SSHHost* host = model_.hostWithId(window_.hostsState().selectedId());
    return host ? std::optional(*host) : std::nullopt;
}

void WindowConnectActions::openInstallDialog(const std::optional<std::string>& hostId,
                                             const std::optional<std::string>& keyId) {
    if (installDialog_)
        installDialog_->close();
    installDialog_ = new InstallKeyDialog(
        model_.hosts(), model_.keys(), hostId, keyId,
        [this](const SSHKey& key, const SSHHost& host) {
            launcher_.installKey(key, host, &window_);
        },
        &window_);
    installDialog_->setAttribute(Qt::WA_DeleteOnClose);
    installDialog_->open();
}

} // namespace moorkeep
