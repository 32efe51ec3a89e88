#pragma once

#include <QString>
#include <QUrl>
#include <chrono>

namespace moorkeep {

// Where and how an update check looks for a newer release.
struct UpdateSettings {
    // Empty when this build has no feed: its updates come from the system's
    // package manager and no request is ever made.
    QUrl feedUrl;
    QString runningVersion = QStringLiteral(MOORKEEP_VERSION);
    // For the whole request, from sending it to the last byte of the answer.
    std::chrono::milliseconds timeout{15000};
    qint64 maxFeedBytes = 1024 * 1024;

    // The feed fixed when the program was built (the CMake cache option
    // MOORKEEP_UPDATE_FEED_URL), unless the environment variable
    // MOORKEEP_UPDATE_FEED is set: then its value, where empty means no feed.
    static UpdateSettings fromBuild();

    static const char* const buildFeedUrl;
};

} // namespace moorkeep
