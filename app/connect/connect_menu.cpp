#include "connect/connect_menu.h"

#include "connect/host_shortlist.h"
#include "model/app_model.h"

#include <algorithm>

namespace moorkeep {

ConnectMenu::ConnectMenu(AppModel& model, HostShortlist& shortlist,
                         std::function<void(const SSHHost&)> connectTo, QWidget* parent)
    : QMenu(tr("Connect"), parent)
    , model_(model)
    , shortlist_(shortlist)
    , connectTo_(std::move(connectTo)) {
    setObjectName(QStringLiteral("connectMenu"));
    connect(&shortlist_, &HostShortlist::changed, this, &ConnectMenu::rebuild);
    connect(&model_, &AppModel::hostsChanged, this, &ConnectMenu::rebuild);
    rebuild();
}

std::vector<SSHHost> ConnectMenu::listed(const QStringList& aliases) const {
    std::vector<SSHHost> listed;
    const auto& hosts = model_.hosts();
    for (const QString& alias : aliases) {
        auto host = std::find_if(hosts.begin(), hosts.end(), [&](const SSHHost& h) {
            return QString::fromStdString(h.alias) == alias;
        });
        if (host != hosts.end())
            listed.push_back(*host);
    }
    return listed;
}

void ConnectMenu::rebuild() {
    clear();
    const QStringList favouriteAliases = shortlist_.favourites();
    QStringList recentAliases = shortlist_.recents();
    recentAliases.removeIf([&](const QString& alias) { return favouriteAliases.contains(alias); });
    const auto favourites = listed(favouriteAliases);
    const auto recents = listed(recentAliases);
    for (const auto* hosts : {&favourites, &recents}) {
        if (hosts == &recents && !favourites.empty() && !recents.empty())
            addSeparator();
        for (const SSHHost& host : *hosts) {
            // A "&" of the alias is shown, not taken as a mnemonic.
            QAction* action =
                addAction(QString::fromStdString(host.alias).replace(u'&', QStringLiteral("&&")));
            action->setObjectName(QStringLiteral("connectToHostAction"));
            connect(action, &QAction::triggered, this, [this, host] { connectTo_(host); });
        }
    }
    if (favourites.empty() && recents.empty()) {
        QAction* none = addAction(tr("No Favourite or Recent Hosts"));
        none->setObjectName(QStringLiteral("noShortlistAction"));
        none->setEnabled(false);
    }
}

} // namespace moorkeep
