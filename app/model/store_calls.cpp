#include "store_calls.h"

#include "files/interrupt_cleanup.h"

namespace moorkeep {

namespace {

// Enough workers that a key rescan on re-activation never queues behind two
// slow key generations.
constexpr int storeWorkers = 4;

} // namespace

StoreCalls::StoreCalls(std::shared_ptr<VaultStore> store, NoticesTaken noticesTaken)
    : store_(std::move(store))
    , noticesTaken_(std::move(noticesTaken))
    , workers_(storeWorkers) {}

// Quitting does not wait out a running key tool (up to its time limit):
// calls not started are dropped, and the tools of running ones are ended, so
// those calls fail at once, leaving the files as they were.
StoreCalls::~StoreCalls() {
    workers_.clear();
    InterruptCleanup::endChildren();
    workers_.waitForDone();
}

QStringList StoreCalls::noticesOf(VaultStore& store) {
    QStringList notices;
    for (const auto& notice : store.takeNotices())
        notices.append(QString::fromStdString(notice));
    return notices;
}

} // namespace moorkeep
