#include "hosts/host_list_model.h"

#include "app_model.h"
#include "hosts/hosts_state.h"

namespace moorkeep {

namespace {

std::array<QString, 3> loweredFields(const SSHHost& host) {
    return {QString::fromStdString(host.alias).toLower(),
            QString::fromStdString(host.hostname).toLower(),
            QString::fromStdString(host.user).toLower()};
}

bool containsSearch(const std::array<QString, 3>& fields, const QString& loweredSearch) {
    for (const QString& field : fields)
        if (field.contains(loweredSearch))
            return true;
    return false;
}

} // namespace

HostListModel::HostListModel(AppModel& model, HostsState& state, QObject* parent)
    : QAbstractListModel(parent)
    , model_(model)
    , state_(state) {
    connect(&model_, &AppModel::hostsChanged, this, &HostListModel::hostsChanged);
    connect(&state_, &HostsState::searchChanged, this, &HostListModel::filter);
    hostsChanged();
}

void HostListModel::hostsChanged() {
    lowered_.clear();
    lowered_.reserve(model_.hosts().size());
    for (const SSHHost& host : model_.hosts())
        lowered_.push_back(loweredFields(host));
    filter();
}

// The search text is lower-cased but not trimmed: a trailing space narrows.
void HostListModel::filter() {
    const QString search = state_.search().toLower();
    beginResetModel();
    rows_.clear();
    rows_.reserve(lowered_.size());
    for (int row = 0; row < int(lowered_.size()); ++row)
        if (search.isEmpty() || containsSearch(lowered_[row], search))
            rows_.push_back(row);
    endResetModel();
}

int HostListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

const SSHHost& HostListModel::hostAt(int row) const {
    return model_.hosts()[std::size_t(rows_[std::size_t(row)])];
}

std::optional<int> HostListModel::rowOf(const std::string& id) const {
    for (int row = 0; row < int(rows_.size()); ++row)
        if (hostAt(row).id == id)
            return row;
    return std::nullopt;
}

QVariant HostListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SSHHost& host = hostAt(index.row());
    const QString address =
        QString::fromStdString(host.user) + u'@' + QString::fromStdString(host.hostname);
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(host.alias);
    case Qt::AccessibleTextRole:
        return QString::fromStdString(host.alias) + QStringLiteral(", ") + address;
    case IdRole:
        return QString::fromStdString(host.id);
    case AddressRole:
        return address;
    case FromConfigRole:
        return host.source == HostSource::config;
    case HasProxyJumpRole:
        return host.proxyJump.has_value();
    default:
        return {};
    }
}

} // namespace moorkeep
