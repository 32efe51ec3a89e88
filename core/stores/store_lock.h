#pragma once

#include <chrono>
#include <string>

namespace moorkeep {

// The exclusive lock under which store operations read, change and write the
// metadata and configuration files. It is an flock on a lock file beside the
// metadata file, so it holds between threads (each lock opens the file anew)
// and between processes. Not re-entrant: an operation takes it once.
class StoreLock {
public:
    enum class Mode {
        change, // throws when the lock cannot be had in time
        read    // goes on without the lock when it cannot be had in time
    };

    static constexpr std::chrono::milliseconds defaultWait{5000};

    StoreLock(const std::string& lockPath, Mode mode, std::chrono::milliseconds wait = defaultWait);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace moorkeep
