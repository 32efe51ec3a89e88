#include "keys/key_list_model.h"

#include "stores/vault_rules.h"

#include <algorithm>

namespace moorkeep {

KeyListModel::KeyListModel(QObject* parent)
    : SidebarListModel(parent) {}

void KeyListModel::setKeys(const std::vector<SSHKey>& keys) {
    std::vector<Row> rows;
    rows.reserve(keys.size());
    for (const auto& key : keys) {
        Row row{key.id,
                QString::fromStdString(key.name),
                QString::fromStdString(key.type),
                {},
                {},
                key.hasPassphrase};
        row.lowerName = row.name.toLower();
        row.lowerType = row.type.toLower();
        rows.push_back(std::move(row));
    }
    beginResetModel();
    all_ = std::move(rows);
    shown_ = filtered();
    endResetModel();
}

void KeyListModel::setHosts(const std::vector<SSHHost>& hosts) {
    usage_ = VaultRules::usageCounts(hosts);
    if (!shown_.empty())
        emit dataChanged(index(0), index(int(shown_.size()) - 1),
                         {UsageCountRole, Qt::AccessibleTextRole});
}

void KeyListModel::setHeldKeys(std::set<std::string> keyIds) {
    if (held_ == keyIds)
        return;
    held_ = std::move(keyIds);
    if (!shown_.empty())
        emit dataChanged(index(0), index(int(shown_.size()) - 1),
                         {InAgentRole, Qt::AccessibleTextRole});
}

void KeyListModel::setSearch(const QString& search) {
    if (search_ == search)
        return;
    search_ = search;
    refilter();
}

void KeyListModel::refilter() {
    auto shown = filtered();
    if (shown == shown_)
        return;
    beginResetModel();
    shown_ = std::move(shown);
    endResetModel();
}

std::vector<int> KeyListModel::filtered() const {
    std::vector<int> shown;
    shown.reserve(all_.size());
    const QString needle = search_.toLower();
    for (int i = 0; i < int(all_.size()); ++i) {
        const Row& row = all_[std::size_t(i)];
        if (needle.isEmpty() || row.lowerName.contains(needle) || row.lowerType.contains(needle))
            shown.push_back(i);
    }
    return shown;
}

int KeyListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown_.size());
}

QVariant KeyListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = all_[std::size_t(shown_[std::size_t(index.row())])];
    switch (role) {
    case Qt::DisplayRole:
        return row.name;
    case KeyIdRole:
        return QString::fromStdString(row.id);
    case TypeRole:
        return row.type;
    case HasPassphraseRole:
        return row.hasPassphrase ? QVariant(*row.hasPassphrase) : QVariant();
    case UsageCountRole:
        return usageCount(row.id);
    case InAgentRole:
        return held_.contains(row.id);
    case Qt::AccessibleTextRole: {
        QString text = row.name + QStringLiteral(", ") + row.type;
        if (row.hasPassphrase)
            text += *row.hasPassphrase ? tr(", passphrase set") : tr(", no passphrase");
        if (int count = usageCount(row.id); count > 0)
            text += count == 1 ? tr(", used by 1 host") : tr(", used by %1 hosts").arg(count);
        if (held_.contains(row.id))
            text += tr(", in agent");
        return text;
    }
    default:
        return {};
    }
}

QHash<int, QByteArray> KeyListModel::roleNames() const {
    auto names = SidebarListModel::roleNames();
    names.insert(KeyIdRole, "keyId");
    names.insert(TypeRole, "type");
    names.insert(HasPassphraseRole, "hasPassphrase");
    names.insert(UsageCountRole, "usageCount");
    names.insert(InAgentRole, "inAgent");
    return names;
}

std::optional<int> KeyListModel::rowOf(const std::string& id) const {
    for (int row = 0; row < int(shown_.size()); ++row)
        if (all_[std::size_t(shown_[std::size_t(row)])].id == id)
            return row;
    return std::nullopt;
}

bool KeyListModel::holds(const std::string& id) const {
    return std::any_of(all_.begin(), all_.end(), [&](const Row& row) { return row.id == id; });
}

std::string KeyListModel::idAt(int row) const {
    return all_[std::size_t(shown_[std::size_t(row)])].id;
}

int KeyListModel::usageCount(const std::string& keyId) const {
    auto it = usage_.find(keyId);
    return it == usage_.end() ? 0 : it->second;
}

} // namespace moorkeep
