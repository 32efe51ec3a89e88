#pragma once

#include "model/worker_threads.h"
#include "stores/vault_store.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

namespace moorkeep {

// Runs store calls on the model's worker pool, never on the model's thread,
// and hands each result to onSuccess, or the failure's message to
// onFailure, on the model's thread. A change also takes the store's notices
// on its worker right after it ran, whatever its outcome, with the
// configuration changes it made, and hands them and the change's name to the
// notices callback just before its result. Nothing is handed over once this
// is gone.
class StoreCalls {
public:
    using NoticesTaken = std::function<void(const QStringList& notices, const QString& name,
                                            const std::vector<ConfigChange>& changes)>;

    StoreCalls(std::shared_ptr<VaultStore> store, NoticesTaken noticesTaken);
    // Cancels the calls not started, ends the programs running ones wait
    // on, and waits for those to fail, so none outlives the store.
    ~StoreCalls();
    StoreCalls(const StoreCalls&) = delete;
    StoreCalls& operator=(const StoreCalls&) = delete;

    template <typename Work, typename Success, typename Failure>
    void read(Work work, Success onSuccess, Failure onFailure) {
        run(false, QString(), std::move(work), std::move(onSuccess), std::move(onFailure));
    }
    template <typename Work, typename Success, typename Failure>
    void change(Work work, Success onSuccess, Failure onFailure) {
        run(true, QString(), std::move(work), std::move(onSuccess), std::move(onFailure));
    }
    // A change the user can take back by this name ("Delete Host “pi”").
    template <typename Work, typename Success, typename Failure>
    void change(const QString& name, Work work, Success onSuccess, Failure onFailure) {
        run(true, name, std::move(work), std::move(onSuccess), std::move(onFailure));
    }

private:
    template <typename Work, typename Success, typename Failure>
    void run(bool isChange, const QString& name, Work work, Success onSuccess, Failure onFailure);

    static QStringList noticesOf(VaultStore& store);

    std::shared_ptr<VaultStore> store_;
    NoticesTaken noticesTaken_;
    WorkerThreads workers_;
};

template <typename Work, typename Success, typename Failure>
void StoreCalls::run(bool isChange, const QString& name, Work work, Success onSuccess,
                     Failure onFailure) {
    workers_.start([store = store_, isChange, name, noticesTaken = noticesTaken_, work, onSuccess,
                    onFailure]() -> std::function<void()> {
        using Result = std::invoke_result_t<Work&, VaultStore&>;
        std::function<void()> outcome;
        try {
            if constexpr (std::is_void_v<Result>) {
                work(*store);
                outcome = onSuccess;
            } else {
                // The result is handed over, not copied: a snapshot of many
                // hosts would otherwise be copied on the model's thread.
                outcome = [onSuccess, result = work(*store)]() mutable {
                    onSuccess(std::move(result));
                };
            }
        } catch (const std::exception& error) {
            outcome = [onFailure, message = QString::fromUtf8(error.what())] {
                onFailure(message);
            };
        }
        if (!isChange)
            return outcome;
        return [noticesTaken, name, notices = noticesOf(*store),
                changes = store->takeConfigChanges(), outcome = std::move(outcome)] {
            noticesTaken(notices, name, changes);
            outcome();
        };
    });
}

} // namespace moorkeep
