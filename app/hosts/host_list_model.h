#pragma once

#include "hosts/hosts_state.h"
#include "model/ssh_host.h"
#include "screen/sidebar_list_model.h"

#include <QTimer>
#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorkeep {

class AppModel;

// The sidebar's hosts: the app model's hosts, in its order, narrowed by the
// screen's search text. Grouped by file, each group that keeps a host is
// headed by a row of its own (its file and how many of its hosts the search
// lets through), and a collapsed group shows only that row. Host rows are
// indexes into the app model's list; the lower-cased texts the search looks
// at are kept per host, so a keystroke costs one pass of substring checks.
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
    // A group's row can be current, for the keys that fold it, but is never
    // selected.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Of a host's row.
    const SSHHost& hostAt(int row) const;
    std::optional<int> rowOf(const std::string& id) const override;
    std::string idAt(int row) const override;
    bool holds(const std::string& id) const override;
    bool isHeader(int row) const override;
    int entryCount() const override;

    // The file of the group the row belongs to (empty for the stored hosts);
    // nothing while the list is not grouped.
    std::optional<std::string> groupFileAt(int row) const;
    // The row heading the group of this file.
    std::optional<int> headerRowOf(const std::string& file) const;

private:
    struct Group {
        std::string file;
        QString label;
        int matches = 0;
    };
    struct Row {
        int host = -1;  // index into the app model's list; -1 for a group's row
        int group = -1; // index into groups_, while grouped
    };

    void hostsChanged();
    void lowerTexts();
    void filter();
    void indexRows();

    AppModel& model_;
    HostsState& state_;
    // alias, hostname and user of each host of the app model, lower-cased,
    // in UTF-8; filled once a search needs them or the event loop is free.
    std::vector<std::array<std::string, 3>> lowered_;
    bool isLowered_ = false;
    QTimer lowerTimer_;
    std::vector<Row> rows_;
    std::vector<Group> groups_;
    // Each id's index into the app model's list, and each host's row (-1
    // while filtered out or folded), so finding the selection costs no pass
    // over 10,000 rows.
    std::unordered_map<std::string, int> hostOfId_;
    std::vector<int> rowOfHost_;
};

} // namespace moorkeep
