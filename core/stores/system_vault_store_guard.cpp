#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/fresh_replacement.h"
#include "files/paths.h"
#include "files/stale_files.h"
#include "files/text_file.h"
#include "reading/config_parser.h"
#include "stores/system_vault_store.h"

#include <algorithm>
#include <future>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <utility>

namespace moorkeep {
namespace {

using ConfigWriter::AtPath;

// OpenSSH users mark a file read-only to keep tools from changing it; that
// is honoured even where the owner (or root) could write it all the same.
void refuseReadOnly(const std::string& path, const std::string& shown) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) == 0 && (facts.st_mode & 0222) == 0)
        throw FileError(shown + " is read-only, so it was not changed. Make it writable "
                                "(chmod u+w) to change it here.");
}

} // namespace

std::vector<std::string> SystemVaultStore::filesReadWith(const std::string& file) const {
    std::set<std::string> visited;
    ConfigFiles met;
    ConfigParser::readLines(
        file, visited, homedir_, [](std::string_view, std::string_view, const std::string&) {},
        nullptr, &met);
    return met.files;
}

std::optional<std::string> SystemVaultStore::uncheckedReason(const std::vector<std::string>& files,
                                                             std::string& ssh) const {
    auto found = OpenSSHCheck::findSsh(sshPath_, keyToolPath_);
    if (!found)
        return "ssh was not found at " + sshPath_ + " or beside " + keyToolPath_ +
               ", so OpenSSH does not check changes of the configuration.";
    ssh = *found;
    if (auto unsafe = OpenSSHCheck::unsafeInput(files))
        return "The configuration reads " + displayPath(*unsafe) +
               ", which is not a plain file on disk, so OpenSSH does not check changes of it.";
    return std::nullopt;
}

void SystemVaultStore::tell(const std::string& notice) const {
    std::lock_guard lock(noticeMutex_);
    if (std::find(notices_.begin(), notices_.end(), notice) == notices_.end())
        notices_.push_back(notice);
}

std::vector<std::string> SystemVaultStore::takeNotices() {
    std::lock_guard lock(noticeMutex_);
    return std::exchange(notices_, {});
}

void SystemVaultStore::checkChange(const std::string& file, const std::string& destination,
                                   const std::optional<std::string>& current,
                                   const std::string& next) const {
    const bool included =
        paths::standardize(file, homedir_) != paths::standardize(configPath_, homedir_);
    OpenSSHCheck::Request request{sshPath_, displayPath(file), included, destination};
    if (auto reason = uncheckedReason(filesReadWith(file), request.sshPath)) {
        tell(*reason);
        return;
    }
    if (auto notice = OpenSSHCheck::checkReplacement(request, current, next))
        tell(*notice);
}

void SystemVaultStore::sweepLeftovers(const std::string& file) const {
    files::sweepTemporariesOf(file);
    OpenSSHCheck::sweepStaleChecks();
}

AtPath SystemVaultStore::guarded(const std::string& file, const std::string& destination,
                                 EffectJudge takesEffect) const {
    sweepLeftovers(file);
    const std::string standardized = paths::standardize(file, homedir_);
    // The backup of this change, removed again when the change does not
    // happen after all: only writes that happened leave history.
    auto taken = std::make_shared<std::optional<std::string>>();
    const ConfigBackups store = backups();
    return {file,
            [this, destination, standardized, takesEffect, taken,
             store](const std::string& path, const std::optional<std::string>& current,
                    const std::string& next) {
                if (current && *current == next)
                    return;
                refuseReadOnly(files::resolveLinks(path), displayPath(path));
                if (takesEffect)
                    takesEffect(standardized, next);
                if (!current) {
                    checkChange(path, destination, current, next);
                    return;
                }
                // The check waits for a process and the backup for the disk,
                // so the two run side by side.
                auto backup =
                    std::async(std::launch::async, [&] { return store.save(path, *current); });
                try {
                    checkChange(path, destination, current, next);
                } catch (...) {
                    try {
                        if (auto id = backup.get())
                            store.discard(*id);
                    } catch (const std::exception&) {
                        // The backup failed as well; the refusal is what counts.
                    }
                    throw;
                }
                *taken = backup.get();
            },
            [taken, store] {
                if (*taken)
                    store.discard(**taken);
                taken->reset();
            }};
}

void SystemVaultStore::restoreBackup(const std::string& id, RestoreCheck check) {
    ChangeLocks locks(*this);
    const ConfigBackups store = backups();
    const auto backup = store.find(id);
    if (!backup)
        throw FileError("There is no backup \"" + id + "\" in " + store.folder() + ".");
    // Backups of several homes may share a folder, and its file names say
    // where a backup goes: it goes back only into a file this home's
    // configuration reads now.
    const std::vector<std::string> configFiles = filesReadWith(configPath_);
    const std::string target = paths::standardize(backup->file, homedir_);
    if (std::find(configFiles.begin(), configFiles.end(), target) == configFiles.end())
        throw FileError("The backup \"" + id + "\" was taken from " + backup->file +
                        ", which is not " + displayPath(configPath_) +
                        " or a file it includes, so it was not put back.");
    const std::string bytes = store.read(*backup);
    sweepLeftovers(target);
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
                     refuseReadOnly(files::resolveLinks(target), displayPath(target));
                     if (check == RestoreCheck::byOpenSSH)
                         checkChange(target, OpenSSHCheck::anyHost, current, next);
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
