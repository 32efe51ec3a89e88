#include "update_settings.h"

namespace moorkeep {

UpdateSettings UpdateSettings::fromBuild() {
    QString feed = qEnvironmentVariableIsSet("MOORKEEP_UPDATE_FEED")
                       ? qEnvironmentVariable("MOORKEEP_UPDATE_FEED")
                       : QString::fromUtf8(buildFeedUrl);
    UpdateSettings settings;
    feed = feed.trimmed();
    if (!feed.isEmpty())
        settings.feedUrl = QUrl(feed);
    return settings;
}

} // namespace moorkeep
