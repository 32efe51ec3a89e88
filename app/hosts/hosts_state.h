#pragma once

#include "hosts/host_grouping.h"
#include "hosts/host_sheet.h"
#include "model/ssh_host.h"
#include "screen/screen_state.h"

namespace moorkeep {

// The Hosts screen's state, which also carries the requests to connect to a
// host or to install a key on it, asked for from the detail, the list or a
// menu; the window's connect actions answer them. The list's grouping by
// file lives here too, as it outlasts the sidebar.
class HostsState : public ScreenStateOf<HostSheet, SSHHost> {
    Q_OBJECT

public:
    using ScreenStateOf::ScreenStateOf;

    HostGrouping& grouping() { return grouping_; }

    void requestConnect(const SSHHost& host) { emit connectRequested(host); }
    void requestKeyInstall(const SSHHost& host) { emit keyInstallRequested(host); }

signals:
    void connectRequested(const SSHHost& host);
    void keyInstallRequested(const SSHHost& host);

private:
    HostGrouping grouping_;
};

} // namespace moorkeep
