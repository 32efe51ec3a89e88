#pragma once

#include "model/vault_data.h"
#include "watch/file_stamps.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <chrono>

namespace moorkeep {

// Tells when the files a snapshot was read from change on disk, whoever
// changed them. The file system's notices only wake it: what changed is
// decided by comparing each file's stamp with the one seen before, so that
// notices that change nothing (a lock file, an editor's swap file) cause
// nothing, and a burst of them (an editor's save, a command's atomic write)
// is answered once.
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
    void noticed();
    void settle();
    // Watches every file again: one replaced by a rename is a new file, and
    // one that was removed may be back.
    void rewatch();

    QFileSystemWatcher watcher_;
    QTimer settleTimer_;
    QElapsedTimer burst_;
    DataSources sources_;
    FileStamps config_;
    FileStamps keyPairs_;
    files::FileStamp meta_;
};

} // namespace moorkeep
