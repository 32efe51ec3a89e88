#pragma once

#include "stores/backup_diff.h"
#include "stores/config_backups.h"

#include <QFuture>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

class AppModel;
class ListReads;
class StoreCalls;

// The configuration changes made in the window, to take back and make again
// by name: each step puts its files back from their backups, checked by
// OpenSSH as any change, and only while a file still holds what the step
// wrote. A new change forgets what was undone.
class UndoHistory {
public:
    UndoHistory(AppModel& model, StoreCalls& store, ListReads& reads);

    // A change ended that wrote these; unnamed ones are called "Change".
    void record(const QString& name, const std::vector<ConfigChange>& changes);
    std::optional<QString> undoName() const;
    std::optional<QString> redoName() const;
    QFuture<void> undo();
    QFuture<void> redo();

    QFuture<std::vector<ConfigBackup>> backups();
    // Compared on the worker too: a long file takes a while.
    QFuture<std::optional<std::vector<BackupDiff::Line>>> backupDiff(const std::string& id);
    // Named "Restore Backup of “FILE”", to be undone as any change.
    QFuture<void> restore(const ConfigBackup& backup);

private:
    struct Step {
        QString name;
        std::vector<ConfigChange> changes;
    };
    // Reverts the newest step of `from`; what that wrote goes onto `to`.
    QFuture<void> revert(std::vector<Step>& from, std::vector<Step>& to, bool undoing);

    AppModel& model_;
    StoreCalls& store_;
    ListReads& reads_;
    std::vector<Step> undone_;
    std::vector<Step> redone_;
};

} // namespace moorkeep
