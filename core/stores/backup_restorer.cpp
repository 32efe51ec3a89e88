#include "stores/backup_restorer.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/fresh_replacement.h"
#include "files/paths.h"
#include "files/text_file.h"
#include "model/short_digest.h"
#include "openssh/openssh_check.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace moorkeep {

BackupRestorer::BackupRestorer(const StorePlaces& places, const ConfigGuard& guard)
    : places_(places)
    , guard_(guard) {}

void BackupRestorer::restore(const std::string& id, VaultStore::RestoreCheck check) const {
    const ConfigBackups store = guard_.backups();
    const auto backup = store.find(id);
    if (!backup)
        throw FileError("There is no backup \"" + id + "\" in " + store.folder() + ".");
    // Backups of several homes may share a folder, and its file names say
    // where a backup goes: it goes back only into a file this home's
    // configuration reads now.
    const std::vector<std::string> configFiles = guard_.filesReadWith(places_.configPath);
    const std::string target = paths::standardize(backup->file, places_.homedir);
    if (std::find(configFiles.begin(), configFiles.end(), target) == configFiles.end())
        throw FileError("The backup \"" + id + "\" was taken from " + backup->file +
                        ", which is not " + places_.displayPath(places_.configPath) +
                        " or a file it includes, so it was not put back.");
    putBack(target, store.read(*backup), check, std::nullopt);
}

void BackupRestorer::revert(const std::vector<ConfigChange>& changes) const {
    const ConfigBackups store = guard_.backups();
    for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
        std::string bytes;
        if (change->backupId) {
            const auto backup = store.find(*change->backupId);
            if (!backup)
                throw FileError("The backup of " + places_.displayPath(change->file) +
                                " from before that change is no longer kept, so it was not "
                                "put back.");
            bytes = store.read(*backup);
        }
        putBack(change->file, bytes, VaultStore::RestoreCheck::byOpenSSH, change->written);
    }
}

std::optional<BackupTexts> BackupRestorer::texts(const std::string& id) const {
    const ConfigBackups store = guard_.backups();
    const auto backup = store.find(id);
    if (!backup)
        return std::nullopt;
    files::ReadResult kept = files::readFile(paths::join(store.folder(), backup->id));
    if (kept.status != files::ReadStatus::ok)
        return std::nullopt;
    files::ReadResult now = files::readFile(paths::standardize(backup->file, places_.homedir));
    return BackupTexts{std::move(kept.bytes),
                       now.status == files::ReadStatus::ok ? std::move(now.bytes) : ""};
}

void BackupRestorer::putBack(const std::string& target, const std::string& bytes,
                             VaultStore::RestoreCheck check,
                             const std::optional<std::string>& expected) const {
    const ConfigBackups store = guard_.backups();
    guard_.sweepLeftovers(target);
    // The bytes replaced are backed up as they are at the rename, whatever
    // another program wrote into the file meanwhile.
    std::optional<std::string> taken;
    std::optional<std::uint64_t> noted;
    auto discardTaken = [&] {
        if (taken)
            store.discard(*taken);
        taken.reset();
        if (noted)
            guard_.unnote(*noted);
        noted.reset();
    };
    files::createDirectories(paths::parent(target), 0700);
    try {
        files::replaceFresh(
            target,
            {.read = [](const std::string& path) -> std::optional<std::string> {
                 files::ReadResult read = files::readFile(path);
                 if (read.status == files::ReadStatus::unreadable)
                     throw FileError("read", path, read.errorNumber);
                 if (read.status != files::ReadStatus::ok)
                     return std::nullopt;
                 return std::move(read.bytes);
             },
             .edit = [&](const std::optional<std::string>& current) -> std::optional<std::string> {
                 if (expected && (!current || shortDigest(*current) != *expected))
                     throw FileError(places_.displayPath(target) +
                                     " was changed since, so it was not put back as it was.");
                 if (current && *current == bytes)
                     return std::nullopt;
                 return bytes;
             },
             .prepare =
                 [&](const std::optional<std::string>& current, const std::string& next) {
                     ConfigGuard::refuseReadOnly(files::resolveLinks(target),
                                                 places_.displayPath(target));
                     if (check == VaultStore::RestoreCheck::byOpenSSH)
                         guard_.checkChange(target, OpenSSHCheck::anyHost, current, next);
                     std::optional<std::string> before;
                     if (current) {
                         ConfigBackups::Saved saved = store.save(target, *current);
                         if (saved.isNew)
                             taken = saved.id;
                         before = std::move(saved.id);
                     }
                     noted = guard_.note({target, before, shortDigest(next)});
                 },
             .unprepare = discardTaken});
    } catch (...) {
        discardTaken();
        throw;
    }
}

} // namespace moorkeep
