#include "stores/config_guard.h"

#include "files/atomic_file.h"
#include "files/background_work.h"
#include "files/file_error.h"
#include "files/paths.h"
#include "files/stale_files.h"
#include "model/short_digest.h"
#include "openssh/openssh_check.h"
#include "reading/config_parser.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace moorkeep {

ConfigGuard::ConfigGuard(const StorePlaces& places)
    : places_(places) {}

ConfigBackups ConfigGuard::backups() const {
    return ConfigBackups(places_.backupFolder);
}

// OpenSSH users mark a file read-only to keep tools from changing it; that
// is honoured even where the owner (or root) could write it all the same.
void ConfigGuard::refuseReadOnly(const std::string& path, const std::string& shown) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) == 0 && (facts.st_mode & 0222) == 0)
        throw FileError(shown + " is read-only, so it was not changed. Make it writable "
                                "(chmod u+w) to change it here.");
}

std::vector<std::string> ConfigGuard::filesReadWith(const std::string& file) const {
    std::set<std::string> visited;
    ConfigFiles met;
    ConfigParser::readLines(file, visited, places_.homedir, {}, nullptr, &met);
    return met.files;
}

std::optional<std::string> ConfigGuard::uncheckedReason(const std::vector<std::string>& files,
                                                        std::string& ssh) const {
    auto found = OpenSSHCheck::findSsh(places_.sshPath, places_.keyToolPath);
    if (!found)
        return "ssh was not found at " + places_.sshPath + " or beside " + places_.keyToolPath +
               ", so OpenSSH does not check changes of the configuration.";
    ssh = *found;
    if (auto unsafe = OpenSSHCheck::unsafeInput(files))
        return "The configuration reads " + places_.displayPath(*unsafe) +
               ", which is not a plain file on disk, so OpenSSH does not check changes of it.";
    return std::nullopt;
}

void ConfigGuard::tell(const std::string& notice) const {
    std::lock_guard lock(noticeMutex_);
    if (std::find(notices_.begin(), notices_.end(), notice) == notices_.end())
        notices_.push_back(notice);
}

std::vector<std::string> ConfigGuard::takeNotices() {
    std::lock_guard lock(noticeMutex_);
    return std::exchange(notices_, {});
}

std::uint64_t ConfigGuard::note(ConfigChange change) const {
    std::lock_guard lock(changeMutex_);
    changes_[std::this_thread::get_id()].emplace_back(++nextToken_, std::move(change));
    return nextToken_;
}

void ConfigGuard::unnote(std::uint64_t token) const {
    std::lock_guard lock(changeMutex_);
    auto mine = changes_.find(std::this_thread::get_id());
    if (mine != changes_.end())
        std::erase_if(mine->second, [token](const auto& noted) { return noted.first == token; });
}

std::vector<ConfigChange> ConfigGuard::takeChanges() {
    std::lock_guard lock(changeMutex_);
    auto mine = changes_.extract(std::this_thread::get_id());
    std::vector<ConfigChange> taken;
    if (mine)
        for (auto& noted : mine.mapped())
            taken.push_back(std::move(noted.second));
    return taken;
}

void ConfigGuard::startCheck(const std::string& destination) {
    const auto ssh = OpenSSHCheck::findSsh(places_.sshPath, places_.keyToolPath);
    if (!ssh)
        return;
    std::unique_ptr<OpenSSHCheck::StartedCheck> started;
    try {
        started = std::make_unique<OpenSSHCheck::StartedCheck>(*ssh, destination);
    } catch (const std::exception&) {
        // The check then starts when the change is checked, as it would.
        return;
    }
    const std::lock_guard lock(startedMutex_);
    started_ = std::move(started);
}

void ConfigGuard::checkChange(const std::string& file, const std::string& destination,
                              const std::optional<std::string>& current, const std::string& next,
                              const std::optional<std::vector<std::string>>& readWith) const {
    const bool included = paths::standardize(file, places_.homedir) !=
                          paths::standardize(places_.configPath, places_.homedir);
    OpenSSHCheck::Request request{places_.sshPath, places_.displayPath(file), included,
                                  destination};
    if (auto reason =
            uncheckedReason(readWith ? *readWith : filesReadWith(file), request.sshPath)) {
        tell(*reason);
        return;
    }
    std::unique_ptr<OpenSSHCheck::StartedCheck> started;
    {
        const std::lock_guard lock(startedMutex_);
        started = std::move(started_);
    }
    const bool fits = started && started->sshPath() == request.sshPath &&
                      started->destination() == destination && started->fresh();
    if (auto notice =
            OpenSSHCheck::checkReplacement(request, current, next, fits ? started.get() : nullptr))
        tell(*notice);
}

void ConfigGuard::sweepLeftovers(const std::string& file) const {
    files::sweepTemporariesOf(file);
    OpenSSHCheck::sweepStaleChecks();
}

ConfigGuard::Checked
ConfigGuard::checkJudgeAndBackUp(const ConfigBackups& store, const std::string& path,
                                 const std::string& destination,
                                 const std::optional<std::string>& current, const std::string& next,
                                 const EffectJudge& judge, const std::string& standardized,
                                 const std::optional<std::vector<std::string>>& readWith) const {
    // The check waits for a process, the judge reads the configuration and
    // the backup waits for the disk, so the check runs beside the others.
    Checked checked;
    std::optional<ConfigBackups::Saved>& backup = checked.backup;
    std::exception_ptr judged, refusal, backupFailure;
    files::runSideBySide(
        [&] {
            try {
                if (judge)
                    judge(standardized, next);
            } catch (...) {
                judged = std::current_exception();
                return;
            }
            try {
                if (current)
                    backup = store.save(path, *current);
            } catch (...) {
                backupFailure = std::current_exception();
            }
            checked.nextDigest = shortDigest(next);
        },
        [&] {
            try {
                checkChange(path, destination, current, next, readWith);
            } catch (...) {
                refusal = std::current_exception();
            }
        });
    for (const std::exception_ptr& failure : {judged, refusal}) {
        if (!failure)
            continue;
        try {
            if (backup && backup->isNew)
                store.discard(backup->id);
        } catch (const std::exception&) {
            // The refusal is what counts.
        }
        std::rethrow_exception(failure);
    }
    if (backupFailure)
        std::rethrow_exception(backupFailure);
    return checked;
}

ConfigWriter::AtPath ConfigGuard::guarded(const std::string& file, const std::string& destination,
                                          EffectJudge takesEffect,
                                          std::optional<std::vector<std::string>> readWith) const {
    sweepLeftovers(file);
    const std::string standardized = paths::standardize(file, places_.homedir);
    // The backup of this change, removed again when the change does not
    // happen after all: only writes that happened leave history.
    auto taken = std::make_shared<std::optional<std::string>>();
    auto noted = std::make_shared<std::optional<std::uint64_t>>();
    const ConfigBackups store = backups();
    auto forget = [this, taken, noted, store] {
        if (*taken)
            store.discard(**taken);
        taken->reset();
        if (*noted)
            unnote(**noted);
        noted->reset();
    };
    return {file,
            [this, destination, standardized, takesEffect, readWith, taken, noted,
             store](const std::string& path, const std::optional<std::string>& current,
                    const std::string& next) {
                if (current && *current == next)
                    return;
                if (*noted)
                    unnote(**noted);
                noted->reset();
                refuseReadOnly(files::resolveLinks(path), places_.displayPath(path));
                Checked checked = checkJudgeAndBackUp(store, path, destination, current, next,
                                                      takesEffect, standardized, readWith);
                // Bytes already backed up earlier are put back from that
                // backup, which stays when the change does not happen.
                std::optional<std::string> undo;
                if (checked.backup) {
                    undo = checked.backup->id;
                    if (checked.backup->isNew)
                        *taken = checked.backup->id;
                }
                *noted = note({path, std::move(undo), std::move(checked.nextDigest)});
            },
            forget};
}

} // namespace moorkeep
