#include "connect/connect_menu.h"

#include "app_model.h"
#include "connect/host_shortlist.h"

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

void ConnectMenu::rebuild() {
    clear();
    const QStringList favourites = shortlist_.favourites();
    QStringList recents = shortlist_.recents();
    recents.removeIf([&](const QString& alias) { return favourites.contains(alias); });
    int added = 0;
    auto addHosts = [&](const QStringList& aliases) {
        const auto& hosts = model_.hosts();
        for (const QString& alias : aliases) {
            auto host = std::find_if(hosts.begin(), hosts.end(), [&](const SSHHost& h) {
                return QString::fromStdString(h.alias) == alias;
            });
            if (host == hosts.end())
                continue;
            // A "&" of the alias is shown, not taken as a mnemonic.
            QAction* action = addAction(QString(alias).replace(u'&', QStringLiteral("&&")));
            action->setObjectName(QStringLiteral("connectToHostAction"));
            connect(action, &QAction::triggered, this,
                    [this, connected = *host] { connectTo_(connected); });
            ++added;
        }
    };
    addHosts(favourites);
    const int favouritesShown = added;
    if (favouritesShown > 0)
        addSeparator();
    addHosts(recents);
    if (added == 0) {
        QAction* none = addAction(tr("No Favourite or Recent Hosts"));
        none->setObjectName(QStringLiteral("noShortlistAction"));
        none->setEnabled(false);
    } else if (added == favouritesShown) {
        removeAction(actions().constLast());
    }
}

} // namespace moorkeep
