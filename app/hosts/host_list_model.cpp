#include "hosts/host_list_model.h"

#include "app_model.h"

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
    std::string result = text;
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
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
    beginResetModel();
    rows_.clear();
    rows_.reserve(std::size_t(hosts));
    for (int row = 0; row < hosts; ++row)
        if (search.empty() || containsSearch(lowered_[std::size_t(row)], search))
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
