#include "update_feed.h"

#include "updates/version.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

namespace moorkeep::UpdateFeedJson {

namespace {

[[noreturn]] void malformed(const char* message) {
    throw std::runtime_error(QCoreApplication::translate("UpdateFeed", message).toStdString());
}

} // namespace

UpdateFeed parse(const QByteArray& body) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        malformed("The update feed is not a valid JSON object.");
    QJsonObject object = document.object();

    UpdateFeed feed;
    QJsonValue version = object.value(u"latestVersion");
    if (!version.isString() || !Version::isValid(version.toString()))
        malformed("The update feed gives no valid latest version.");
    feed.latestVersion = version.toString();

    QJsonValue page = object.value(u"downloadPage");
    feed.downloadPage = QUrl(page.toString(), QUrl::StrictMode);
    QString scheme = feed.downloadPage.scheme();
    if (!page.isString() || !feed.downloadPage.isValid() || feed.downloadPage.host().isEmpty() ||
        (scheme != u"https" && scheme != u"http"))
        malformed("The update feed gives no valid download page.");

    QJsonValue notes = object.value(u"releaseNotes");
    if (!notes.isUndefined() && !notes.isString())
        malformed("The update feed's release notes are not text.");
    feed.releaseNotes = notes.toString();
    return feed;
}

} // namespace moorkeep::UpdateFeedJson
