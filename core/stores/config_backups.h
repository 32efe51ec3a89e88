#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moorkeep {

// One saved copy of a configuration file, taken just before the file was
// replaced.
struct ConfigBackup {
    std::string id;   // the copy's file name: the time, then the file's absolute path
    std::string file; // the absolute path of the file it was taken from
    std::string time; // when, as "yyyy-mm-ddThh:mm:ss.ffffffZ" (UTC)
    std::uint64_t size = 0;
};

// One change this store made to a configuration file: enough to put the
// file back as it was, and to see whether it still holds what was written.
struct ConfigChange {
    std::string file;                    // the absolute path written
    std::optional<std::string> backupId; // the backup of the bytes replaced; nothing for a new file
    std::string written;                 // shortDigest of the bytes written

    bool operator==(const ConfigChange&) const = default;
};

// A backup's text and what its file holds now (empty when it is missing).
struct BackupTexts {
    std::string backup;
    std::string current;
};

// The folder of backups: owner-only, one file per backup (mode 0600), named
// after the time and the file, the newest 20 of each file kept.
class ConfigBackups {
public:
    static constexpr std::size_t keptPerFile = 20;

    explicit ConfigBackups(std::string folder);
    // $XDG_STATE_HOME/Moorkeep/backups, else ~/.local/state/Moorkeep/backups.
    static std::string defaultFolder(const std::string& homedir);

    const std::string& folder() const { return folder_; }

    // The backup that holds the bytes after save: new, or one the file
    // already had.
    struct Saved {
        std::string id;
        bool isNew = false;
    };
    // Keeps the bytes as the newest backup of the file and drops the oldest
    // beyond keptPerFile, unless a backup of the file already holds exactly
    // these bytes (so that the kept copies all differ, and repeats never push
    // out older history). Throws FileError, with a message saying that
    // nothing was changed, when the backup cannot be written. A backup is
    // listed only once it is written whole and flushed to disk. A folder that
    // is a symbolic link is followed and keeps its target's mode.
    Saved save(const std::string& file, std::string_view bytes) const;
    // Removes a backup taken for a change that then did not happen.
    void discard(const std::string& id) const;
    // Newest first; never fails.
    std::vector<ConfigBackup> list() const;
    std::optional<ConfigBackup> find(const std::string& id) const;
    // Throws FileError.
    std::string read(const ConfigBackup& backup) const;

private:
    // The backup of the file that holds exactly these bytes, if one does.
    std::optional<std::string> holding(const std::string& file, std::string_view bytes) const;

    std::string folder_;
};

} // namespace moorkeep
