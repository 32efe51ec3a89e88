#pragma once

#include "updates/update_feed.h"

#include <QString>

namespace moorkeep {

// How an update check ended.
struct UpdateCheckResult {
    enum class Outcome {
        noFeed,          // this build gets its updates from the package manager
        upToDate,        // the feed's latest version is not newer than ours
        updateAvailable, // the feed names a newer version
        failed           // errorMessage says why
    };

    Outcome outcome = Outcome::failed;
    QString runningVersion{};
    UpdateFeed feed{};      // as read, for upToDate and updateAvailable
    QString errorMessage{}; // for failed
};

} // namespace moorkeep
