#pragma once

#include <QObject>
#include <QThreadPool>
#include <deque>
#include <functional>
#include <mutex>

namespace moorkeep {

// Runs work on worker threads and hands each result back to the thread this
// object lives on.
//
// Qt's own queues between threads (its thread pool's and its events') are
// invisible to ThreadSanitizer unless Qt itself is built with it, so work and
// results also cross a standard mutex: the sanitizer then sees the hand-over
// and reports only real races.
class WorkerThreads : public QObject {
    Q_OBJECT

public:
    explicit WorkerThreads(int count, QObject* parent = nullptr);
    // Drops the work not started and waits for the running work.
    ~WorkerThreads() override;

    // work runs on a worker thread. What it returns runs on this object's
    // thread afterwards, in the order the work ended, unless this object is
    // gone by then.
    void start(std::function<std::function<void()>()> work);
    void clear();
    void waitForDone();

signals:
    void ended(QPrivateSignal);

private:
    void deliver();

    std::mutex mutex_;
    std::deque<std::function<void()>> results_;
    // Last, so that it goes first: its end waits for running work, which
    // hands its result to results_.
    QThreadPool pool_;
};

} // namespace moorkeep
