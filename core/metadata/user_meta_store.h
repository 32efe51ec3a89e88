#pragma once

#include "metadata/user_meta.h"
#include "model/ssh_key.h"

#include <optional>
#include <string>
#include <vector>

namespace moorkeep {

// Reads and writes the metadata file as one record.
class UserMetaStore {
public:
    explicit UserMetaStore(std::string path);

    const std::string& path() const { return path_; }

    // Never fails: a missing, unreadable, over-large or undecodable file
    // gives the default record.
    UserMeta load() const;
    // The same; a file that exists but gives the default record adds a
    // sentence naming it to warnings.
    UserMeta load(std::vector<std::string>& warnings) const;
    // The record when the file holds one or is missing (the default record);
    // nothing when it exists but is empty, cannot be read, is too large or
    // does not decode: such a file may be another program's work in
    // progress, and a reading operation must leave it alone. Never fails.
    std::optional<UserMeta> loadRecord() const;
    // Throws the FileError a save would throw for the file as it is now
    // (unreadable, too large, its folder not writable), so that a change of
    // several files can stop before its first step. Creates the folder.
    void checkWritable() const;
    // Writes the whole record atomically, permissions 600. A file that exists
    // but does not decode is first kept beside it, and one that cannot be read
    // (or is larger than the size limit) is not replaced, so nothing the user
    // stored is lost. Members and record fields that another version wrote
    // and this one does not know are kept. Throws FileError.
    void save(const UserMeta& meta) const;

    // $XDG_DATA_HOME/Moorkeep/moorkeep-config.json (XDG_DATA_HOME defaults to
    // ~/.local/share) for the given home.
    static std::string defaultPath(const std::string& homedir);

    // Applies non-empty display names to the scanned keys, order kept.
    static std::vector<SSHKey> merge(const std::vector<SSHKey>& scanned,
                                     const std::vector<KeyMetaEntry>& overrides);

private:
    std::string path_;
};

} // namespace moorkeep
