#pragma once

#include <QObject>
#include <QStringList>

namespace moorkeep {

// The hosts the tray offers to connect to, by alias: the favourites the user
// marked (in the order marked) and the hosts last connected to from Moorkeep
// (newest first). Kept with the window's own settings, not in the metadata
// file, as nothing but this program reads them.
class HostShortlist : public QObject {
    Q_OBJECT

public:
    static constexpr int recentLimit = 8;

    using QObject::QObject;

    QStringList favourites() const;
    QStringList recents() const;
    bool isFavourite(const QString& alias) const;

    void setFavourite(const QString& alias, bool favourite);
    // The alias moves to the front; the oldest past the limit go.
    void addRecent(const QString& alias);

signals:
    void changed();

private:
    void write(const QString& key, const QStringList& aliases);
};

} // namespace moorkeep
