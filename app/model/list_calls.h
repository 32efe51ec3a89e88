#pragma once

namespace moorkeep {

// The store calls running on one published list, and what follows from them.
// Changes are counted so that overlapping changes of which one failed are
// followed by one fresh read of the list. A read's answer is applied only
// when no change started while it ran (the list is then read again once
// idle) and no later read's answer is applied already.
class ListCalls {
public:
    struct ReadTicket {
        unsigned changesStarted = 0;
        unsigned read = 0;
    };

    void changeStarted();
    ReadTicket readStarted();
    // A fresh read of the whole list starts; it answers any reread wanted.
    ReadTicket rereadStarted();
    bool mayApply(const ReadTicket& read);
    // True when this was the last running call and the list is to be read
    // again: changes overlapped and one of them failed, or a reread is wanted.
    bool settled(bool failed);
    // The list changed elsewhere: true when it may be read again now, else it
    // is once the running calls have settled.
    bool changedElsewhere();

private:
    int running_ = 0;          // changes and reads
    int startedSinceIdle_ = 0; // changes since the list was last idle
    bool failedSinceIdle_ = false;
    bool rereadWanted_ = false;
    unsigned changesStarted_ = 0;
    unsigned readsStarted_ = 0;
    unsigned lastReadApplied_ = 0;
};

} // namespace moorkeep
