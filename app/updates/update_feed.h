#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace moorkeep {

// What the update feed says about the newest release. The feed is a JSON
// object:
//   { "latestVersion": "0.2.0",
//     "downloadPage": "https://example.org/moorkeep/download",
//     "releaseNotes": "What changed, as plain text." }
// releaseNotes may be left out; other members are ignored.
struct UpdateFeed {
    QString latestVersion;
    QUrl downloadPage;
    QString releaseNotes;

    bool operator==(const UpdateFeed&) const = default;
};

namespace UpdateFeedJson {

// Throws std::runtime_error, whose message says what is wrong with the feed.
// The download page must be an http or https address: it is opened in the
// browser, and no other kind of address may be opened on a feed's say-so.
UpdateFeed parse(const QByteArray& body);

} // namespace UpdateFeedJson

} // namespace moorkeep
