#include "update_service.h"

#include "updates/update_feed_file.h"
#include "updates/version.h"

#include <QHostAddress>
#include <QLocale>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <stdexcept>
#include <utility>

namespace moorkeep {

namespace {

// Plain http would let anyone on the way change what the feed says; it is
// accepted only from this machine, where tests serve their feeds.
bool isAcceptedFeed(const QUrl& url) {
    QString scheme = url.scheme();
    if (scheme == u"https")
        return !url.host().isEmpty();
    if (scheme == u"file")
        return true;
    if (scheme == u"http") {
        QHostAddress host(url.host());
        return url.host() == u"localhost" || (!host.isNull() && host.isLoopback());
    }
    return false;
}

// A redirect must lead to an address the feed itself could have had.
bool isAcceptedRedirect(const QUrl& target) {
    return isAcceptedFeed(target) && target.scheme() != u"file";
}

// Where a redirect leads, relative to the request; empty for any other answer.
QUrl redirectTarget(const QNetworkReply& reply) {
    const QVariant target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute);
    return target.isValid() ? reply.url().resolved(target.toUrl()) : QUrl();
}

// Enough for a feed that moved; a feed that leads on and on fails instead.
constexpr int maxRedirects = 5;

} // namespace

UpdateService::UpdateService(UpdateSettings settings, QObject* parent)
    : QObject(parent)
    , settings_(std::move(settings)) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        if (!readingFile_)
            return abortWith(Abort::timedOut);
        // The read goes on in its thread; its result is dropped.
        readingFile_ = false;
        finish(timedOut());
    });
}

UpdateService::~UpdateService() {
    cancel();
}

void UpdateService::check() {
    if (checking_)
        return;
    checking_ = true;
    if (settings_.feedUrl.isEmpty())
        return finishLater({.outcome = UpdateCheckResult::Outcome::noFeed,
                            .runningVersion = settings_.runningVersion});
    if (!settings_.feedUrl.isValid() || !isAcceptedFeed(settings_.feedUrl))
        return finishLater(
            failure(tr("The update feed address “%1” is not an https or file address.")
                        .arg(settings_.feedUrl.toDisplayString())));

    body_.clear();
    abort_ = Abort::none;
    redirects_ = 0;
    deadline_.start(settings_.timeout);
    if (settings_.feedUrl.isLocalFile())
        return readFile();
    request(settings_.feedUrl);
}

// Redirects are followed here, one request at a time, rather than by Qt:
// each reply then ends once, and its finished handler alone lets it go.
void UpdateService::request(const QUrl& url) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    reply_ = network_.get(request);
    connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
        bool known = false;
        qint64 announced = reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && announced > settings_.maxFeedBytes)
            abortWith(Abort::tooLarge);
    });
    connect(reply_, &QNetworkReply::readyRead, this, &UpdateService::readBody);
    connect(reply_, &QNetworkReply::finished, this, &UpdateService::requestFinished);
}

void UpdateService::readFile() {
    readingFile_ = true;
    fileReader_.start([this, path = settings_.feedUrl.toLocalFile(),
                       maxBytes = settings_.maxFeedBytes,
                       read = ++fileReads_]() -> std::function<void()> {
        return [this, read, result = UpdateFeedFile::read(path, maxBytes)] {
            if (read == fileReads_)
                fileReadFinished(result);
        };
    });
}

void UpdateService::fileReadFinished(const UpdateFeedFile::Read& read) {
    // A read that ran out of time, or of a cancelled check, is over already.
    if (!readingFile_)
        return;
    readingFile_ = false;
    deadline_.stop();
    if (read.tooLarge)
        return finish(tooLarge());
    if (!read.error.isEmpty())
        return finish(failure(read.error));
    finish(resultOfBody(read.body));
}

void UpdateService::cancel() {
    if (!checking_)
        return;
    readingFile_ = false;
    deadline_.stop();
    if (reply_)
        abortWith(Abort::cancelled);
    // A check without a request has its result queued; it is dropped.
    ++generation_;
    checking_ = false;
}

void UpdateService::readBody() {
    if (!reply_ || abort_ != Abort::none)
        return;
    body_ += reply_->readAll();
    if (body_.size() > settings_.maxFeedBytes)
        abortWith(Abort::tooLarge);
}

void UpdateService::abortWith(Abort reason) {
    if (!reply_ || abort_ != Abort::none)
        return;
    abort_ = reason;
    reply_->abort();
}

void UpdateService::requestFinished() {
    readBody();
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    // Whatever the reply still has to say is heard by no one.
    reply->disconnect(this);
    reply->deleteLater();
    const QByteArray body = std::exchange(body_, {});
    if (abort_ == Abort::cancelled)
        return;
    const QUrl target = redirectTarget(*reply);
    if (abort_ == Abort::none && !target.isEmpty() && isAcceptedRedirect(target) &&
        redirects_ < maxRedirects) {
        ++redirects_;
        return request(target);
    }
    deadline_.stop();
    finish(resultOfRequest(*reply, target, body));
}

UpdateCheckResult UpdateService::resultOfRequest(const QNetworkReply& reply, const QUrl& target,
                                                 const QByteArray& body) const {
    switch (abort_) {
    case Abort::timedOut:
        return timedOut();
    case Abort::tooLarge:
        return tooLarge();
    case Abort::cancelled:
    case Abort::none:
        break;
    }

    if (!target.isEmpty() && !isAcceptedRedirect(target))
        return failure(tr("The update feed redirects to “%1”, which is not an https address.")
                           .arg(target.toDisplayString()));
    if (!target.isEmpty())
        return failure(tr("The update feed redirects more than %1 times.").arg(maxRedirects));
    QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400) {
        QString reason = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        QString code = reason.isEmpty() ? QString::number(status.toInt())
                                        : QStringLiteral("%1 %2").arg(status.toInt()).arg(reason);
        return failure(tr("The update server answered with HTTP %1.").arg(code));
    }
    if (reply.error() != QNetworkReply::NoError)
        return failure(tr("Could not reach the update feed: %1.").arg(reply.errorString()));

    return resultOfBody(body);
}

UpdateCheckResult UpdateService::resultOfBody(const QByteArray& body) const {
    try {
        UpdateFeed feed = UpdateFeedJson::parse(body);
        bool isNewer = Version::compare(feed.latestVersion, settings_.runningVersion) > 0;
        return {.outcome = isNewer ? UpdateCheckResult::Outcome::updateAvailable
                                   : UpdateCheckResult::Outcome::upToDate,
                .runningVersion = settings_.runningVersion,
                .feed = std::move(feed)};
    } catch (const std::runtime_error& error) {
        return failure(QString::fromStdString(error.what()));
    }
}

UpdateCheckResult UpdateService::timedOut() const {
    return failure(tr("The update server did not answer within %1 seconds.")
                       .arg(QLocale().toString(settings_.timeout.count() / 1000.0)));
}

UpdateCheckResult UpdateService::tooLarge() const {
    return failure(tr("The update feed is larger than %1.")
                       .arg(QLocale().formattedDataSize(settings_.maxFeedBytes, 0)));
}

UpdateCheckResult UpdateService::failure(const QString& message) const {
    return {.outcome = UpdateCheckResult::Outcome::failed,
            .runningVersion = settings_.runningVersion,
            .errorMessage = message};
}

void UpdateService::finishLater(UpdateCheckResult result) {
    QMetaObject::invokeMethod(
        this,
        [this, generation = generation_, result = std::move(result)] {
            if (checking_ && generation == generation_)
                finish(result);
        },
        Qt::QueuedConnection);
}

void UpdateService::finish(const UpdateCheckResult& result) {
    checking_ = false;
    emit finished(result);
}

} // namespace moorkeep
