#pragma once

#include "editing/config_writer.h"
#include "openssh/started_check.h"
#include "stores/config_backups.h"
#include "stores/store_places.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace moorkeep {

// The checked, backed-up write of a configuration file: before a file is
// replaced, OpenSSH checks the new text and the old bytes are backed up. A
// change OpenSSH cannot check goes ahead with a notice the user hears once.
class ConfigGuard {
public:
    explicit ConfigGuard(const StorePlaces& places);

    ConfigBackups backups() const;

    // Judges a file's new text before it is written; throws to refuse it.
    using EffectJudge = std::function<void(const std::string& file, const std::string& next)>;
    // The file form's target, checked by OpenSSH (evaluated for the given
    // host name) and backed up before it is replaced; a read-only file is
    // not replaced. takesEffect, when given, first judges the new text (see
    // EffectCheck). readWith, when given, are the files reading the file
    // meets, as a reading under the change locks just found them.
    ConfigWriter::AtPath guarded(const std::string& file, const std::string& destination,
                                 EffectJudge takesEffect = {},
                                 std::optional<std::vector<std::string>> readWith = {}) const;
    // Removes what interrupted changes of the file left beside it and in
    // the checks' folder, once no running change can own it.
    void sweepLeftovers(const std::string& file) const;
    // The file and every file it includes, as reading meets them.
    std::vector<std::string> filesReadWith(const std::string& file) const;
    // Why OpenSSH cannot check a change that reads these files; sets ssh to
    // the program to ask otherwise.
    std::optional<std::string> uncheckedReason(const std::vector<std::string>& files,
                                               std::string& ssh) const;
    // Throws OpenSSHCheck::Rejection; a change OpenSSH cannot check goes
    // ahead with a notice.
    void checkChange(const std::string& file, const std::string& destination,
                     const std::optional<std::string>& current, const std::string& next,
                     const std::optional<std::vector<std::string>>& readWith = {}) const;
    // Starts OpenSSH's check of the next change now, for that change's
    // destination, so that ssh starts up while the change is read and made
    // (see OpenSSHCheck::StartedCheck). The next check uses it when it is
    // for this destination, and ends it unused otherwise. Nothing starts
    // when ssh cannot be found or run.
    void startCheck(const std::string& destination);
    // Throws FileError for a file its owner marked read-only (path resolved,
    // shown as messages spell it).
    static void refuseReadOnly(const std::string& path, const std::string& shown);

    // What the user should hear of changes made so far that no error
    // reports, each once: that OpenSSH could not check them.
    std::vector<std::string> takeNotices();

    // Records a change about to be written by the calling thread; the
    // token takes it back when the file is then not replaced.
    std::uint64_t note(ConfigChange change) const;
    void unnote(std::uint64_t token) const;
    // The changes the calling thread's writes made since it last asked,
    // oldest first: each call of the store runs on one thread, so a caller
    // gets its own changes only.
    std::vector<ConfigChange> takeChanges();

private:
    // Judges the next bytes, backs the current ones up (when there are any)
    // and digests the next ones while OpenSSH checks them. A refused change
    // keeps no backup; the judge's refusal is the one reported.
    struct Checked {
        std::optional<ConfigBackups::Saved> backup; // nothing for a new file
        std::string nextDigest;
    };
    Checked checkJudgeAndBackUp(const ConfigBackups& store, const std::string& path,
                                const std::string& destination,
                                const std::optional<std::string>& current, const std::string& next,
                                const EffectJudge& judge, const std::string& standardized,
                                const std::optional<std::vector<std::string>>& readWith) const;
    void tell(const std::string& notice) const;

    const StorePlaces& places_;
    mutable std::mutex noticeMutex_;
    mutable std::vector<std::string> notices_;
    mutable std::mutex startedMutex_;
    mutable std::unique_ptr<OpenSSHCheck::StartedCheck> started_;
    mutable std::mutex changeMutex_;
    mutable std::uint64_t nextToken_ = 0;
    mutable std::map<std::thread::id, std::vector<std::pair<std::uint64_t, ConfigChange>>> changes_;
};

} // namespace moorkeep
