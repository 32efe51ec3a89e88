#pragma once

#include <QMenu>
#include <functional>

namespace moorkeep {

class AppModel;
class HostShortlist;
struct SSHHost;

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
    void rebuild();

    AppModel& model_;
    HostShortlist& shortlist_;
    std::function<void(const SSHHost&)> connectTo_;
};

} // namespace moorkeep
