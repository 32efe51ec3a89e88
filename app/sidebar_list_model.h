#pragma once

#include <QAbstractListModel>
#include <optional>
#include <string>

namespace moorkeep {

// The rows of a sidebar's list: entries with ids, narrowed by the search.
class SidebarListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // The row that shows the entry with this id, if the search lets it through.
    virtual std::optional<int> rowOf(const std::string& id) const = 0;
    virtual std::string idAt(int row) const = 0;
};

} // namespace moorkeep
