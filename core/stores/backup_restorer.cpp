#include "stores/backup_restorer.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/fresh_replacement.h"
#include "files/paths.h"
#include "files/text_file.h"
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
    const std::string bytes = store.read(*backup);
    guard_.sweepLeftovers(target);
    // The bytes replaced are backed up as they are at the rename, whatever
    // another program wrote into the file meanwhile.
    std::optional<std::string> taken;
    auto discardTaken = [&] {
        if (taken)
            store.discard(*taken);
        taken.reset();
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
                     if (current)
                         taken = store.save(target, *current);
                 },
             .unprepare = discardTaken});
    } catch (...) {
        discardTaken();
        throw;
    }
}

} // namespace moorkeep
