#pragma once

#include "model/vault_data.h"
#include "model/worker_threads.h"
#include "watch/file_stamps.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
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

    // Watches what a snapshot was read from, as surveyed right after reading
    // it (Stamping::ofSources, on the worker that read it), so that a change
    // made since is not taken for what the snapshot holds.
    // Files watched already keep the stamps seen before, so a change made
    // while the snapshot was being applied is still noticed.
    void follow(const DataSources& sources, SourcesSurvey found);

signals:
    // Some watched files changed, so the hosts are to be read again (they
    // depend on every file watched: hosts name keys, and the metadata holds
    // hosts too). keysToo: the key pairs or the metadata changed, so the
    // keys are to be read again as well.
    void changed(bool keysToo);

private:
    void noticed();
    // Surveys the sources on the worker and hands the result to settled.
    void settle();
    void settled(SourcesSurvey found, unsigned generation);
    // Watches what is to be watched. Only paths that are new, that are now
    // another file (replaced by a rename), or that the file system watcher
    // dropped (removed) are added again. True when any path was added.
    bool rewatch(const FileStamps& watchable);

    QFileSystemWatcher watcher_;
    QTimer settleTimer_;
    QElapsedTimer burst_;
    DataSources sources_;
    unsigned generation_ = 0; // of sources_: a survey of earlier sources is stale
    FileStamps config_;
    FileStamps keyPairs_;
    files::FileStamp meta_;
    FileStamps watched_;              // as stamped when last watched
    std::set<std::string> unwatched_; // of watched_: the file system watcher refused them
    // Last, so that it goes first: its end waits for a running survey.
    WorkerThreads worker_{1};
};

} // namespace moorkeep
