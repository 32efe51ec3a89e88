#pragma once

#include "hosts/hosts_state.h"
#include "model/ssh_host.h"
#include "sidebar_list_model.h"

#include <QTimer>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

class AppModel;

// The sidebar's hosts: the app model's hosts, in its order, narrowed by the
// screen's search text. Rows are indexes into the app model's list; the
// lower-cased texts the search looks at are kept per host, so a keystroke
// costs one pass of substring checks.
class HostListModel : public SidebarListModel {
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        AddressRole, // user@hostname
        FromConfigRole,
        HasProxyJumpRole,
    };

    HostListModel(AppModel& model, HostsState& state, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const SSHHost& hostAt(int row) const;
    std::optional<int> rowOf(const std::string& id) const override;
    std::string idAt(int row) const override { return hostAt(row).id; }

private:
    void hostsChanged();
    void lowerTexts();
    void filter();

    AppModel& model_;
    HostsState& state_;
    // alias, hostname and user of each host of the app model, lower-cased,
    // in UTF-8; filled once a search needs them or the event loop is free.
    std::vector<std::array<std::string, 3>> lowered_;
    bool isLowered_ = false;
    QTimer lowerTimer_;
    std::vector<int> rows_;
};

} // namespace moorkeep
