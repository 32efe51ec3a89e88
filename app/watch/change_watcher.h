#pragma once

#include "model/vault_data.h"
#include "watch/file_stamps.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <set>

namespace moorkeep {

// Tells when the files a snapshot was read from change on disk, whoever
// changed them. The file system's notices only wake it: what changed is
// decided by comparing each file's stamp with the one seen before, so that
// notices that change nothing (a lock file, an editor's swap file) cause
// nothing, and a burst of them (an editor's save, a command's atomic write)
// is answered once. The files are stamped on a worker thread of its own,
// once per burst, never on the thread it lives on.
class ChangeWatcher : public QObject {
    Q_OBJECT

public:
    // A burst is answered this long after its last notice...
    static constexpr std::chrono::milliseconds settleTime{200};
    // ...or, while notices keep coming, this long after its first.
    static constexpr std::chrono::milliseconds longestWait{1000};

    explicit ChangeWatcher(QObject* parent = nullptr);

    // Watches what a snapshot was read from. Files watched already keep the
    // stamps seen before, so a change made while the snapshot was being
    // applied is still noticed; new files start from what they hold now.
    void follow(const DataSources& sources);

signals:
    // Some watched files changed, so the hosts are to be read again (they
    // depend on every file watched: hosts name keys, and the metadata holds
    // hosts too). keysToo: the key pairs or the metadata changed, so the
    // keys are to be read again as well.
    void changed(bool keysToo);

private:
    // What the sources hold now, and what is to be watched: the files that
    // exist and the nearest existing folder of each file and folder.
    struct Survey {
        FileStamps config;
        FileStamps keyPairs;
        files::FileStamp meta;
        FileStamps watchable;
    };
    static Survey survey(const DataSources& sources);

    void noticed();
    // Surveys the sources on the worker and hands the result to surveyed.
    void startSurvey(bool settling);
    void surveyed(const DataSources& sources, Survey found, unsigned generation, bool settling);
    // Watches what is to be watched. Only paths that are new, that are now
    // another file (replaced by a rename), or that the file system watcher
    // dropped (removed) are added again. True when any path was added.
    bool rewatch(const FileStamps& watchable);

    QFileSystemWatcher watcher_;
    QTimer settleTimer_;
    QElapsedTimer burst_;
    DataSources sources_;     // the latest to follow
    unsigned generation_ = 0; // of sources_: a survey of earlier sources is stale
    DataSources followed_;    // those whose survey was applied last
    FileStamps config_;
    FileStamps keyPairs_;
    files::FileStamp meta_;
    FileStamps watched_;              // as stamped when last watched
    std::set<std::string> unwatched_; // of watched_: the file system watcher refused them
    // Last, so that it goes first: its end waits for a running survey, which
    // reports to this object.
    QThreadPool worker_;
};

} // namespace moorkeep
