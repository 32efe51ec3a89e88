#pragma once

#include "files/interrupt_cleanup.h"

#include <memory>
#include <string>
#include <vector>

// Changes to key files made so that a failure half-way never costs a key:
// the tool works on a private copy or under a temporary name, and the result
// replaces or joins the real files in one step only once it is complete.
namespace moorkeep::KeyPairFiles {

// A private copy (0600) of a key file, beside it in the same folder, removed
// again unless it replaced the original. Symbolic links are followed: the
// copy stands beside the file they lead to.
class PrivateCopy {
public:
    // Throws FileError when the file cannot be read or the copy not written.
    explicit PrivateCopy(const std::string& original);
    ~PrivateCopy();
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;

    const std::string& path() const { return path_; }
    // Renames the copy over the original in one step. Throws FileError.
    void replaceOriginal();

private:
    std::string original_;
    std::string path_;
    std::optional<InterruptCleanup::Guard> interrupted_;
};

// A fresh private folder (0700) inside a directory, where a key pair is
// made before it joins the directory. Removed with whatever is left in it.
class StagingFolder {
public:
    // Throws FileError.
    explicit StagingFolder(const std::string& directory);
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::string& path() const { return path_; }

    // The names a key made in it will have (name and name.pub), so that
    // an interrupted process removes them too.
    void expect(const std::string& name);

private:
    std::string path_;
    std::optional<InterruptCleanup::Guard> folder_;
    std::vector<std::unique_ptr<InterruptCleanup::Guard>> interrupted_;
};

// Removes what an interrupted change left in the directory: private copies
// (".NAME.XXXXXX" beside the key NAME) and staging folders, once they are
// older than any running change could be.
void sweepStale(const std::string& directory);

// Whether the file holds something: exists as a regular file and is not
// empty.
bool isComplete(const std::string& path);

// Moves the pair staged (staged and staged.pub) to destination and
// destination.pub, neither of which may exist: both arrive, or neither
// stays. Throws FileError (EEXIST when a name was taken meanwhile).
void movePairIntoPlace(const std::string& staged, const std::string& destination);

// Throws FileError, naming the file and the reason, when the file could not
// be removed: its folder is read-only, or it is immutable or append-only. A
// missing file is no obstacle.
void checkRemovable(const std::string& path);

// Removes the file; a missing one is fine. Throws FileError.
void remove(const std::string& path);

} // namespace moorkeep::KeyPairFiles
