#include "keys/key_pair_files.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/stale_files.h"
#include "files/text_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace moorkeep::KeyPairFiles {
namespace {

// Linux keeps "immutable" and "append-only" apart from the permission bits;
// either stops even the owner from removing the file or what is in a folder.
bool isLocked(const std::string& path, int openFlags) {
#ifdef __linux__
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | openFlags);
    if (fd < 0)
        return false;
    int flags = 0;
    bool locked = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                  (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
    ::close(fd);
    return locked;
#else
    (void)path;
    (void)openFlags;
    return false;
#endif
}

constexpr const char* stagingPrefix = ".moorkeep-new-key.";

// ".NAME.XXXXXX" (mkstemp's six characters) beside a file NAME.
bool isCopyName(const std::string& directory, const std::string& name) {
    constexpr std::size_t suffix = 7; // ".XXXXXX"
    if (name.size() < suffix + 2)
        return false;
    const std::string original = name.substr(1, name.size() - suffix - 1);
    return files::isTemporaryOf(name, original) && files::exists(paths::join(directory, original));
}

} // namespace

PrivateCopy::PrivateCopy(const std::string& original)
    : original_(files::resolveLinks(original)) {
    files::ReadResult read = files::readFile(original_);
    if (read.status != files::ReadStatus::ok)
        throw FileError("read", original_, read.errorNumber != 0 ? read.errorNumber : EFBIG);
    std::string name =
        paths::join(paths::parent(original_), "." + paths::baseName(original_) + ".XXXXXX");
    // Named for an interrupt before the key's bytes are in it.
    const int fd = InterruptCleanup::makeTemporaryFile(name, interrupted_);
    if (fd < 0)
        throw FileError("make a working copy of", original_, errno);
    if (int error = files::finishFile(fd, read.bytes, 0600)) {
        ::unlink(name.c_str());
        throw FileError("make a working copy of", original_, error);
    }
    path_ = name;
}

PrivateCopy::~PrivateCopy() {
    if (!path_.empty())
        ::unlink(path_.c_str());
}

void PrivateCopy::replaceOriginal() {
    if (::rename(path_.c_str(), original_.c_str()) != 0)
        throw FileError("replace", original_, errno);
    path_.clear();
}

StagingFolder::StagingFolder(const std::string& directory) {
    path_ = files::makePrivateFolder(directory, stagingPrefix, "make a folder for the new key in",
                                     folder_);
}

void StagingFolder::expect(const std::string& name) {
    using Kind = InterruptCleanup::Guard::Kind;
    for (const std::string& file : {name, name + ".pub"})
        interrupted_.push_back(
            std::make_unique<InterruptCleanup::Guard>(Kind::file, paths::join(path_, file)));
}

StagingFolder::~StagingFolder() {
    interrupted_.clear();
    folder_.reset();
    files::removeFolderAndFiles(path_);
}

void sweepStale(const std::string& directory) {
    files::removeStaleEntries(directory, [&](const std::string& name, bool isFolder) {
        return isFolder ? name.starts_with(stagingPrefix) : isCopyName(directory, name);
    });
}

bool isComplete(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

void movePairIntoPlace(const std::string& staged, const std::string& destination) {
    // A hard link never replaces an existing name, so a file that appeared
    // meanwhile is not overwritten.
    auto place = [](const std::string& from, const std::string& to) {
        if (::link(from.c_str(), to.c_str()) != 0)
            throw FileError("put the new key in place as", to, errno);
    };
    place(staged, destination);
    try {
        place(staged + ".pub", destination + ".pub");
    } catch (...) {
        ::unlink(destination.c_str());
        throw;
    }
}

void checkRemovable(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return;
    const std::string folder = paths::parent(path);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        throw FileError("remove", path, errno);
    if (isLocked(folder, O_DIRECTORY))
        throw FileError("remove", path, EPERM);
    if (S_ISREG(st.st_mode) && isLocked(path, 0))
        throw FileError("remove", path, EPERM);
    // In a sticky folder (such as /tmp) only the owner may remove a file.
    struct stat folderStat;
    const uid_t user = ::geteuid();
    if (::stat(folder.c_str(), &folderStat) == 0 && (folderStat.st_mode & S_ISVTX) != 0 &&
        user != 0 && st.st_uid != user && folderStat.st_uid != user)
        throw FileError("remove", path, EPERM);
}

void remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw FileError("remove", path, errno);
}

} // namespace moorkeep::KeyPairFiles
