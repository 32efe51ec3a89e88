#include "files/atomic_file.h"

#include "files/file_error.h"
#include "files/paths.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace moorkeep::files {

std::string resolveLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::vector<char> target(PATH_MAX + 1);
        ssize_t n = ::readlink(current.c_str(), target.data(), PATH_MAX);
        if (n < 0)
            return current;
        std::string next(target.data(), static_cast<std::size_t>(n));
        current = next.front() == '/' ? next : paths::join(paths::parent(current), next);
    }
    return current;
}

int finishFile(int fd, std::string_view bytes, mode_t mode, bool toDisk) {
    int error = 0;
    std::size_t written = 0;
    while (error == 0 && written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n >= 0)
            written += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            error = errno;
    }
    // The umask could only have narrowed the mode; set it exactly.
    if (error == 0 && (::fchmod(fd, mode) != 0 || (toDisk && ::fsync(fd) != 0)))
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

int writeNewFile(const std::string& path, std::string_view bytes, mode_t mode, bool toDisk) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return errno;
    const int error = finishFile(fd, bytes, mode, toDisk);
    if (error != 0)
        ::unlink(path.c_str());
    return error;
}

PendingReplacement::PendingReplacement(const std::string& path, std::string_view bytes,
                                       mode_t newFileMode)
    : target_(resolveLinks(path)) {
    mode_t mode = newFileMode;
    if (struct stat st; ::stat(target_.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    std::string temporary =
        paths::join(paths::parent(target_), "." + paths::baseName(target_) + ".XXXXXX");
    // Named for the handlers from the start: writing and flushing take the
    // longest.
    const int fd = InterruptCleanup::makeTemporaryFile(temporary, interrupted_);
    if (fd < 0)
        throw FileError("write", target_, errno);
    if (int error = finishFile(fd, bytes, mode)) {
        ::unlink(temporary.c_str());
        throw FileError("write", target_, error);
    }
    temporary_ = std::move(temporary);
}

PendingReplacement::~PendingReplacement() {
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

void PendingReplacement::commit() {
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw FileError("replace", target_, errno);
    temporary_.clear();
    interrupted_.reset();
}

bool PendingReplacement::commitIfStill(const FileStamp& stamp) {
    if (stampOf(target_) != stamp)
        return false;
    commit();
    return true;
}

void writeAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode) {
    PendingReplacement(path, bytes, newFileMode).commit();
}

void createDirectories(const std::string& path, mode_t mode) {
    if (path.empty() || path == "/" || path == ".")
        return;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            throw FileError("create the folder", path, ENOTDIR);
        return;
    }
    createDirectories(paths::parent(path), mode);
    if (::mkdir(path.c_str(), mode) != 0) {
        if (errno == EEXIST)
            return;
        throw FileError("create the folder", path, errno);
    }
    // mkdir applies the umask; the mode asked for is the one wanted.
    if (::chmod(path.c_str(), mode) != 0)
        throw FileError("set the permissions of", path, errno);
}

void setPermissions(const std::string& path, mode_t mode) {
    if (::chmod(path.c_str(), mode) != 0)
        throw FileError("set the permissions of", path, errno);
}

} // namespace moorkeep::files
