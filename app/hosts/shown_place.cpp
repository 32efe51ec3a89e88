#include "hosts/shown_place.h"

#include <QDir>
#include <QObject>

namespace moorkeep::ShownPlace {

QString path(const std::string& file) {
    const QString shown = QString::fromStdString(file);
    const QString home = QDir::homePath();
    return shown.startsWith(home + QLatin1Char('/')) ? QStringLiteral("~") + shown.mid(home.size())
                                                     : shown;
}

QString line(const ConfigPlace& place) {
    return QObject::tr("%1 line %2").arg(path(place.file)).arg(place.line);
}

} // namespace moorkeep::ShownPlace
