#include "worker_threads.h"

#include <utility>

namespace moorkeep {
namespace {

// Locked by the starting thread once the work is built and by the worker
// before reading it.
std::mutex& workHandedOver() {
    static std::mutex handedOver;
    return handedOver;
}

} // namespace

WorkerThreads::WorkerThreads(int count, QObject* parent)
    : QObject(parent) {
    pool_.setMaxThreadCount(count);
    connect(this, &WorkerThreads::ended, this, &WorkerThreads::deliver, Qt::QueuedConnection);
}

WorkerThreads::~WorkerThreads() {
    clear();
    waitForDone();
}

void WorkerThreads::start(std::function<std::function<void()>()> work) {
    auto* runnable = QRunnable::create([this, work = std::move(work)] {
        { std::lock_guard handedOver(workHandedOver()); }
        auto result = work();
        {
            std::lock_guard lock(mutex_);
            results_.push_back(std::move(result));
        }
        emit ended(QPrivateSignal());
    });
    { std::lock_guard handedOver(workHandedOver()); }
    pool_.start(runnable);
}

void WorkerThreads::clear() {
    pool_.clear();
}

void WorkerThreads::waitForDone() {
    pool_.waitForDone();
}

// One result per signal, so that results run in turn with the other events.
void WorkerThreads::deliver() {
    std::function<void()> result;
    {
        std::lock_guard lock(mutex_);
        result = std::move(results_.front());
        results_.pop_front();
    }
    result();
}

} // namespace moorkeep
