#pragma once

#include "model/list_calls.h"
#include "model/vault_data.h"
#include "watch/file_stamps.h"

#include <QFuture>

namespace moorkeep {

class AppModel;
class ChangeWatcher;
class StoreCalls;

// Reads the model's lists from the store: the first load, the key rescans
// asked for, and the rereads that follow overlapping calls of which one
// failed, or files changed elsewhere. Keeps the calls running on each list,
// which the changes report to it, so that a read applies only what no
// change overlapped.
class ListReads {
public:
    ListReads(AppModel& model, StoreCalls& store);

    QFuture<void> load();
    QFuture<void> refreshKeys();

    ListCalls& hostCalls() { return hostCalls_; }
    ListCalls& keyCalls() { return keyCalls_; }
    // A call on the list is over; the list is read again when that is due.
    void hostCallSettled(bool failed = false);
    void keyCallSettled(bool failed = false);

private:
    void rereadHosts();
    void rereadKeys();
    // A snapshot's hosts, defaults and warnings, and the files to follow.
    void applyConfig(VaultData&& data, SourcesSurvey&& survey);
    // Files changed elsewhere: the hosts, and the keys too when keysToo, are
    // read again as soon as no call on them is running.
    void filesChanged(bool keysToo);
    void follow(const DataSources& sources, SourcesSurvey&& survey);

    AppModel& model_;
    StoreCalls& store_;
    ListCalls hostCalls_;
    ListCalls keyCalls_;
    ChangeWatcher* watcher_ = nullptr; // from the first load of a store that reads files
};

} // namespace moorkeep
