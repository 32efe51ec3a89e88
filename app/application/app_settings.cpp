#include "app_settings.h"

#include <QSettings>

namespace moorkeep::AppSettings {

std::unique_ptr<QSettings> open() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Moorkeep"), QStringLiteral("moorkeep"));
}

} // namespace moorkeep::AppSettings
