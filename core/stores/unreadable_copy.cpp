#include "stores/unreadable_copy.h"

#include "files/file_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::UnreadableCopy {
namespace {

// Creates the file only if no file of that name exists, so that two processes
// keeping a copy at the same moment never write over each other. Returns
// false when the name is taken.
bool writeNew(const std::string& path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        throw FileError("keep a copy of the unreadable file as", path, errno);
    }
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(path.c_str());
        throw FileError("keep a copy of the unreadable file as", path, error);
    };
    // The umask could only narrow the mode; set it exactly.
    if (::fchmod(fd, 0600) != 0)
        fail(errno);
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        fail(errno);
    if (::close(fd) != 0) {
        int error = errno;
        ::unlink(path.c_str());
        throw FileError("keep a copy of the unreadable file as", path, error);
    }
    return true;
}

} // namespace

std::string nameFor(const std::string& path, std::time_t when) {
    std::tm utc{};
    ::gmtime_r(&when, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return path + ".unreadable-" + stamp;
}

std::string keep(const std::string& path, std::string_view bytes, std::time_t when) {
    const std::string base = nameFor(path, when);
    std::string candidate = base;
    for (int counter = 2; !writeNew(candidate, bytes); ++counter)
        candidate = base + "-" + std::to_string(counter);
    return candidate;
}

} // namespace moorkeep::UnreadableCopy
