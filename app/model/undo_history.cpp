#include "model/undo_history.h"

#include "model/app_model.h"
#include "model/completion.h"
#include "model/list_reads.h"
#include "model/store_calls.h"

#include <QDir>
#include <QPromise>
#include <memory>

namespace moorkeep {

UndoHistory::UndoHistory(AppModel& model, StoreCalls& store, ListReads& reads)
    : model_(model)
    , store_(store)
    , reads_(reads) {}

void UndoHistory::record(const QString& name, const std::vector<ConfigChange>& changes) {
    if (changes.empty())
        return;
    undone_.push_back({name.isEmpty() ? AppModel::tr("Change") : name, changes});
    redone_.clear();
    emit model_.undoChanged();
}

std::optional<QString> UndoHistory::undoName() const {
    if (undone_.empty())
        return std::nullopt;
    return undone_.back().name;
}

std::optional<QString> UndoHistory::redoName() const {
    if (redone_.empty())
        return std::nullopt;
    return redone_.back().name;
}

QFuture<void> UndoHistory::undo() {
    return revert(undone_, redone_, true);
}

QFuture<void> UndoHistory::redo() {
    return revert(redone_, undone_, false);
}

namespace {

// A read that never fails: a failure answers `none`.
template <typename Result, typename Work>
QFuture<Result> readOrNone(StoreCalls& store, Work work, Result none) {
    auto promise = std::make_shared<QPromise<Result>>();
    promise->start();
    auto answer = [promise](Result result) {
        promise->addResult(std::move(result));
        promise->finish();
    };
    store.read(work, answer, [answer, none](const QString&) { answer(none); });
    return promise->future();
}

} // namespace

QFuture<std::vector<ConfigBackup>> UndoHistory::backups() {
    return readOrNone(
        store_, [](VaultStore& store) { return store.listBackups(); }, std::vector<ConfigBackup>{});
}

QFuture<std::optional<std::vector<BackupDiff::Line>>>
UndoHistory::backupDiff(const std::string& id) {
    using Diff = std::optional<std::vector<BackupDiff::Line>>;
    return readOrNone(
        store_,
        [id](VaultStore& store) -> Diff {
            const auto texts = store.backupTexts(id);
            if (!texts)
                return std::nullopt;
            return BackupDiff::compare(texts->current, texts->backup);
        },
        Diff{});
}

QFuture<void> UndoHistory::restore(const ConfigBackup& backup) {
    Completion done;
    QString file = QString::fromStdString(backup.file);
    if (const QString home = QDir::homePath() + u'/'; file.startsWith(home))
        file = QStringLiteral("~/") + file.mid(home.size());
    const QString name = AppModel::tr("Restore Backup of \u201c%1\u201d").arg(file);
    reads_.hostCalls().changeStarted();
    store_.change(
        name, [id = backup.id](VaultStore& store) { store.restoreBackup(id); },
        [this, done, name] {
            model_.notify(AppModel::tr("Done: %1").arg(name));
            reads_.hostCallSettled(true);
            done.finish();
        },
        [this, done](const QString& message) {
            model_.fail(done, message);
            reads_.hostCallSettled(true);
        });
    return done.future();
}

// The step leaves its stack while it runs, and goes back onto it when it is
// refused; either way the hosts and defaults are read again.
QFuture<void> UndoHistory::revert(std::vector<Step>& from, std::vector<Step>& to, bool undoing) {
    Completion done;
    if (from.empty()) {
        done.finish();
        return done.future();
    }
    Step step = std::move(from.back());
    from.pop_back();
    emit model_.undoChanged();
    reads_.hostCalls().changeStarted();
    store_.change(
        [changes = step.changes](VaultStore& store) {
            store.revertConfigChanges(changes);
            return store.takeConfigChanges();
        },
        [this, done, &to, step, undoing](const std::vector<ConfigChange>& written) {
            to.push_back({step.name, written});
            emit model_.undoChanged();
            model_.notify(
                (undoing ? AppModel::tr("Undid %1") : AppModel::tr("Redid %1")).arg(step.name));
            reads_.hostCallSettled(true);
            done.finish();
        },
        [this, done, &from, step, undoing](const QString& message) {
            from.push_back(step);
            emit model_.undoChanged();
            model_.fail(done, (undoing ? AppModel::tr("Could not undo %1: %2")
                                       : AppModel::tr("Could not redo %1: %2"))
                                  .arg(step.name, message));
            reads_.hostCallSettled(true);
        });
    return done.future();
}

} // namespace moorkeep
