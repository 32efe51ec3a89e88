#pragma once

#include "model/ssh_host.h"

#include <QMenu>
#include <functional>
#include <vector>

namespace moorkeep {

class AppModel;
class HostShortlist;

// The tray's "Connect" submenu: the favourite hosts, then the recent ones
// that are not favourites, each opening a terminal connected to it. Aliases
// no longer among the hosts are left out. Rebuilt when either list or the
// hosts change.
class ConnectMenu : public QMenu {
    Q_OBJECT

public:
    ConnectMenu(AppModel& model, HostShortlist& shortlist,
                std::function<void(const SSHHost&)> connectTo, QWidget* parent = nullptr);

private:
    // The first host of each alias, leaving out aliases no host has.
    std::vector<SSHHost> listed(const QStringList& aliases) const;
    void rebuild();

    AppModel& model_;
    HostShortlist& shortlist_;
    std::function<void(const SSHHost&)> connectTo_;
};

} // namespace moorkeep
