#pragma once

#include <QAbstractListModel>
#include <optional>
#include <string>

namespace moorkeep {

// The rows of a sidebar's list: entries with ids, narrowed by the search,
// and perhaps rows that head groups of them.
class SidebarListModel : public QAbstractListModel {
    Q_OBJECT

public:
    // What a group's row tells beside its title (Qt::DisplayRole).
    enum HeaderRole {
        EntryCountRole = Qt::UserRole + 64, // of the entries the search lets through
        CollapsedRole,
    };

    using QAbstractListModel::QAbstractListModel;

    // The row that shows the entry with this id, if the search lets it through.
    virtual std::optional<int> rowOf(const std::string& id) const = 0;
    virtual std::string idAt(int row) const = 0;
    // Whether there is an entry with this id, shown or not.
    virtual bool holds(const std::string& id) const = 0;
    // Whether the row heads a group of entries rather than showing one.
    virtual bool isHeader(int) const { return false; }
    // How many entries the search lets through, those of folded groups too.
    virtual int entryCount() const { return rowCount(); }

    // The id of the first row that shows an entry, if any does.
    std::optional<std::string> firstEntryId() const {
        for (int row = 0; row < rowCount(); ++row)
            if (!isHeader(row))
                return idAt(row);
        return std::nullopt;
    }
};

} // namespace moorkeep
