#include "connect/host_shortlist.h"

#include "application/app_settings.h"

#include <QSettings>

namespace moorkeep {

namespace {

const QString favouritesKey = QStringLiteral("connect/favouriteHosts");
const QString recentsKey = QStringLiteral("connect/recentHosts");

QStringList read(const QString& key) {
    return AppSettings::open()->value(key).toStringList();
}

} // namespace

QStringList HostShortlist::favourites() const {
    return read(favouritesKey);
}

QStringList HostShortlist::recents() const {
    return read(recentsKey);
}

bool HostShortlist::isFavourite(const QString& alias) const {
    return favourites().contains(alias);
}

void HostShortlist::setFavourite(const QString& alias, bool favourite) {
    QStringList aliases = favourites();
    if (aliases.contains(alias) == favourite)
        return;
    if (favourite)
        aliases.append(alias);
    else
        aliases.removeAll(alias);
    write(favouritesKey, aliases);
}

void HostShortlist::addRecent(const QString& alias) {
    QStringList aliases = recents();
    aliases.removeAll(alias);
    aliases.prepend(alias);
    write(recentsKey, aliases.mid(0, recentLimit));
}

void HostShortlist::write(const QString& key, const QStringList& aliases) {
    AppSettings::open()->setValue(key, aliases);
    emit changed();
}

} // namespace moorkeep
