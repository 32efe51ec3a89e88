#include "stores/store_lock.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace moorkeep {
namespace {

constexpr const char* busyMessage =
    "Another Moorkeep operation is still changing your files. Please try again in a moment.";

// The paths this thread holds locks on, each with the number of its hold.
thread_local std::map<std::string, std::uint64_t> heldPaths;
std::atomic<std::uint64_t> lastHold{0};

int openLockFile(const std::string& lockPath, StoreLock::Target target) {
    if (target == StoreLock::Target::folder) {
        int fd = ::open(lockPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            files::createDirectories(lockPath, 0700);
            fd = ::open(lockPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        return fd;
    }
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 && errno == ENOENT) {
        files::createDirectories(paths::parent(lockPath), 0700);
        fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    }
    return fd;
}

} // namespace

StoreLock::StoreLock(const std::string& lockPath, Mode mode, std::chrono::milliseconds wait,
                     Target target)
    : path_(lockPath) {
    if (heldPaths.contains(path_)) {
        nested_ = true;
        return;
    }
    int fd = -1;
    try {
        fd = openLockFile(lockPath, target);
    } catch (const FileError&) {
        if (mode == Mode::change)
            throw;
        return;
    }
    if (fd < 0) {
        if (mode == Mode::change)
            throw FileError("open the lock file", lockPath, errno);
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            if (mode == Mode::change)
                throw FileError(busyMessage);
            return;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    fd_ = fd;
    heldPaths.emplace(path_, ++lastHold);
}

std::uint64_t StoreLock::holdOf(const std::string& lockPath) {
    auto held = heldPaths.find(lockPath);
    return held == heldPaths.end() ? 0 : held->second;
}

StoreLock::~StoreLock() {
    if (fd_ >= 0) {
        heldPaths.erase(path_);
        ::close(fd_); // closing the descriptor releases the lock
    }
}

} // namespace moorkeep
