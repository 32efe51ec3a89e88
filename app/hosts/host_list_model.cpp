#include "hosts/host_list_model.h"

#include "files/paths.h"
#include "model/app_model.h"
#include "model/ascii.h"
#include "model/host_groups.h"

#include <algorithm>

namespace moorkeep {

namespace {

// A host's text lower-cased, in UTF-8. ASCII text, nearly all of it, is
// lowered byte by byte, which is several times faster than through QString.
// Other text goes through QString, so both sides of a search are exactly the
// UTF-8 of QString::toLower, and a substring of one is a substring of the
// other.
std::string lowered(const std::string& text) {
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii)
        return QString::fromStdString(text).toLower().toStdString();
    return asciiLower(text);
}

std::array<std::string, 3> loweredFields(const SSHHost& host) {
    return {lowered(host.alias), lowered(host.hostname), lowered(host.user)};
}

bool containsSearch(const std::array<std::string, 3>& fields, const std::string& loweredSearch) {
    for (const std::string& field : fields)
        if (field.find(loweredSearch) != std::string::npos)
            return true;
    return false;
}

} // namespace

HostListModel::HostListModel(AppModel& model, HostsState& state, QObject* parent)
    : SidebarListModel(parent)
    , model_(model)
    , state_(state) {
    connect(&model_, &AppModel::hostsChanged, this, &HostListModel::hostsChanged);
    connect(&state_, &ScreenState::searchChanged, this, &HostListModel::filter);
    connect(&state_.grouping(), &HostGrouping::changed, this, &HostListModel::filter);
    lowerTimer_.setSingleShot(true);
    lowerTimer_.setInterval(0);
    connect(&lowerTimer_, &QTimer::timeout, this, &HostListModel::lowerTexts);
    hostsChanged();
}

// Lower-casing the texts of 10,000 hosts takes milliseconds, mostly reading
// the hosts from memory. While nothing is searched (as when the hosts first
// appear) it waits for a timer, which the event loop serves after the
// posted events, among them the paint of the list: a zero-delay single shot
// would be a posted event itself and run before that paint.
void HostListModel::hostsChanged() {
    hostOfId_.clear();
    hostOfId_.reserve(model_.hosts().size());
    for (std::size_t host = 0; host < model_.hosts().size(); ++host)
        hostOfId_.try_emplace(model_.hosts()[host].id, int(host));
    lowered_.clear();
    isLowered_ = false;
    filter();
    if (!isLowered_)
        lowerTimer_.start();
}

void HostListModel::lowerTexts() {
    if (isLowered_)
        return;
    lowered_.clear();
    lowered_.reserve(model_.hosts().size());
    for (const SSHHost& host : model_.hosts())
        lowered_.push_back(loweredFields(host));
    isLowered_ = true;
}

// The search text is lower-cased but not trimmed: a trailing space narrows.
void HostListModel::filter() {
    const std::string search = state_.search().toLower().toStdString();
    const int hosts = int(model_.hosts().size());
    if (!search.empty())
        lowerTexts();
    auto matches = [&](std::size_t host) {
        return search.empty() || containsSearch(lowered_[host], search);
    };
    beginResetModel();
    rows_.clear();
    groups_.clear();
    if (!state_.grouping().isOn()) {
        rows_.reserve(std::size_t(hosts));
        for (int row = 0; row < hosts; ++row)
            if (matches(std::size_t(row)))
                rows_.push_back({row, -1});
        indexRows();
        endResetModel();
        return;
    }
    const std::string home = paths::currentUserHome();
    const std::string mainFile = paths::standardize(paths::join(home, ".ssh/config"), home);
    for (const auto& group : HostGroups::byFile(model_.hosts(), model_.configFiles(), mainFile)) {
        std::vector<Row> shown;
        for (std::size_t host : group.hosts)
            if (matches(host))
                shown.push_back({int(host), int(groups_.size())});
        // A group the search empties is left out.
        if (shown.empty())
            continue;
        rows_.push_back({-1, int(groups_.size())});
        if (!state_.grouping().isCollapsed(group.file))
            rows_.insert(rows_.end(), shown.begin(), shown.end());
        groups_.push_back({group.file, QString::fromStdString(HostGroups::title(group, home)),
                           int(shown.size())});
    }
    indexRows();
    endResetModel();
}

void HostListModel::indexRows() {
    rowOfHost_.assign(model_.hosts().size(), -1);
    for (std::size_t row = 0; row < rows_.size(); ++row)
        if (rows_[row].host >= 0)
            rowOfHost_[std::size_t(rows_[row].host)] = int(row);
}

int HostListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

const SSHHost& HostListModel::hostAt(int row) const {
    return model_.hosts()[std::size_t(rows_[std::size_t(row)].host)];
}

bool HostListModel::holds(const std::string& id) const {
    return hostOfId_.contains(id);
}

std::string HostListModel::idAt(int row) const {
    return isHeader(row) ? std::string() : hostAt(row).id;
}

bool HostListModel::isHeader(int row) const {
    return rows_[std::size_t(row)].host < 0;
}

int HostListModel::entryCount() const {
    if (groups_.empty())
        return int(rows_.size());
    int count = 0;
    for (const Group& group : groups_)
        count += group.matches;
    return count;
}

std::optional<int> HostListModel::rowOf(const std::string& id) const {
    const auto host = hostOfId_.find(id);
    if (host == hostOfId_.end() || rowOfHost_[std::size_t(host->second)] < 0)
        return std::nullopt;
    return rowOfHost_[std::size_t(host->second)];
}

std::optional<std::string> HostListModel::groupFileAt(int row) const {
    const int group = rows_[std::size_t(row)].group;
    if (group < 0)
        return std::nullopt;
    return groups_[std::size_t(group)].file;
}

std::optional<int> HostListModel::headerRowOf(const std::string& file) const {
    for (int row = 0; row < int(rows_.size()); ++row)
        if (isHeader(row) && groups_[std::size_t(rows_[std::size_t(row)].group)].file == file)
            return row;
    return std::nullopt;
}

Qt::ItemFlags HostListModel::flags(const QModelIndex& index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return Qt::NoItemFlags;
    if (isHeader(index.row()))
        return Qt::ItemIsEnabled;
    return SidebarListModel::flags(index);
}

QVariant HostListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (isHeader(index.row())) {
        const Group& group = groups_[std::size_t(rows_[std::size_t(index.row())].group)];
        const bool collapsed = state_.grouping().isCollapsed(group.file);
        switch (role) {
        case Qt::DisplayRole:
            return group.label;
        case Qt::AccessibleTextRole:
            return group.label + QStringLiteral(", ") +
                   (group.matches == 1 ? tr("1 host") : tr("%1 hosts").arg(group.matches)) +
                   QStringLiteral(", ") + (collapsed ? tr("collapsed") : tr("expanded"));
        case EntryCountRole:
            return group.matches;
        case CollapsedRole:
            return collapsed;
        default:
            return {};
        }
    }
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
