#include "list_calls.h"

namespace moorkeep {

void ListCalls::changeStarted() {
    ++running_;
    ++startedSinceIdle_;
    ++changesStarted_;
}

ListCalls::ReadTicket ListCalls::readStarted() {
    ++running_;
    return {.changesStarted = changesStarted_, .read = ++readsStarted_};
}

ListCalls::ReadTicket ListCalls::rereadStarted() {
    rereadWanted_ = false;
    return readStarted();
}

bool ListCalls::mayApply(const ReadTicket& read) {
    if (changesStarted_ != read.changesStarted) {
        rereadWanted_ = true;
        return false;
    }
    if (read.read < lastReadApplied_)
        return false;
    lastReadApplied_ = read.read;
    return true;
}

bool ListCalls::settled(bool failed) {
    failedSinceIdle_ = failedSinceIdle_ || failed;
    if (--running_ > 0)
        return false;
    const bool reread = (startedSinceIdle_ > 1 && failedSinceIdle_) || rereadWanted_;
    startedSinceIdle_ = 0;
    failedSinceIdle_ = false;
    return reread;
}

bool ListCalls::changedElsewhere() {
    rereadWanted_ = true;
    return running_ == 0;
}

} // namespace moorkeep
