#include "hosts/host_grouping.h"

#include "application/app_settings.h"

#include <QSettings>
#include <QStringList>

namespace moorkeep {

namespace {

const QString onKey = QStringLiteral("hosts/groupByFile");
const QString collapsedKey = QStringLiteral("hosts/collapsedGroups");

// Settings lose an empty entry of a list, so the stored hosts' group has a
// name that no absolute path can be.
QString keyOf(const std::string& file) {
    return file.empty() ? QStringLiteral(":stored") : QString::fromStdString(file);
}

} // namespace

HostGrouping::HostGrouping(QObject* parent)
    : QObject(parent) {
    const auto settings = AppSettings::open();
    on_ = settings->value(onKey, false).toBool();
    const QStringList collapsed = settings->value(collapsedKey).toStringList();
    collapsed_ = QSet<QString>(collapsed.begin(), collapsed.end());
}

void HostGrouping::setOn(bool on) {
    if (on_ == on)
        return;
    on_ = on;
    save();
    emit changed();
}

bool HostGrouping::isCollapsed(const std::string& file) const {
    return collapsed_.contains(keyOf(file));
}

void HostGrouping::setCollapsed(const std::string& file, bool collapsed) {
    if (isCollapsed(file) == collapsed)
        return;
    if (collapsed)
        collapsed_.insert(keyOf(file));
    else
        collapsed_.remove(keyOf(file));
    save();
    emit changed();
}

void HostGrouping::save() const {
    const auto settings = AppSettings::open();
    settings->setValue(onKey, on_);
    QStringList collapsed(collapsed_.begin(), collapsed_.end());
    collapsed.sort();
    settings->setValue(collapsedKey, collapsed);
}

} // namespace moorkeep
