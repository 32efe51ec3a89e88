#pragma once

#include "model/worker_threads.h"
#include "updates/update_check_result.h"
#include "updates/update_feed_file.h"
#include "updates/update_settings.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QNetworkReply;

namespace moorkeep {

// Fetches the update feed once per check and compares its version with the
// running one. Works on the thread that owns it without blocking it; sends
// nothing but the request for the feed itself. Only https feeds go over the
// network (plain http only to this machine, for local test servers); file
// URLs are read from disk in a worker thread, under the same time limit.
class UpdateService : public QObject {
    Q_OBJECT

public:
    explicit UpdateService(UpdateSettings settings, QObject* parent = nullptr);
    ~UpdateService() override;

    const UpdateSettings& settings() const { return settings_; }
    bool isChecking() const { return checking_; }

    // Starts a check unless one is running; finished() follows, never
    // before this returns.
    void check();
    // Ends a running check; finished() is not emitted for it.
    void cancel();

signals:
    void finished(const moorkeep::UpdateCheckResult& result);

private:
    enum class Abort { none, timedOut, tooLarge, cancelled };

    void request(const QUrl& url);
    void readFile();
    void fileReadFinished(const UpdateFeedFile::Read& read);
    void readBody();
    void abortWith(Abort reason);
    void requestFinished();
    UpdateCheckResult resultOfRequest(const QNetworkReply& reply, const QUrl& target,
                                      const QByteArray& body) const;
    UpdateCheckResult resultOfBody(const QByteArray& body) const;
    UpdateCheckResult timedOut() const;
    UpdateCheckResult tooLarge() const;
    UpdateCheckResult failure(const QString& message) const;
    void finishLater(UpdateCheckResult result);
    void finish(const UpdateCheckResult& result);

    UpdateSettings settings_;
    QNetworkAccessManager network_;
    QTimer deadline_;
    QPointer<QNetworkReply> reply_;
    QByteArray body_;
    Abort abort_ = Abort::none;
    int redirects_ = 0;
    bool checking_ = false;
    bool readingFile_ = false;
    // Tells a queued result of a cancelled check from the current one's.
    quint64 generation_ = 0;
    // Tells the running file read from one that ran out of time.
    quint64 fileReads_ = 0;
    // Last, so that it goes first: its end waits for a running file read.
    WorkerThreads fileReader_{1};
};

} // namespace moorkeep
