#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace moorkeep {

// An exclusive lock under which store operations read, change and write
// files: an flock on a lock file (beside the metadata file) or on a folder
// (the .ssh folder, for the configuration), so it holds between threads (each
// lock opens the file anew) and between processes. A thread that already
// holds the lock of a path may take it again: the inner lock then does
// nothing, so a caller can hold the locks around several operations.
class StoreLock {
public:
    enum class Mode {
        change, // throws when the lock cannot be had in time
        read    // goes on without the lock when it cannot be had in time
    };
    enum class Target {
        file,  // created (with its folder) when missing
        folder // created with mode 0700 when missing
    };

    static constexpr std::chrono::milliseconds defaultWait{5000};

    StoreLock(const std::string& lockPath, Mode mode, std::chrono::milliseconds wait = defaultWait,
              Target target = Target::file);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool held() const { return fd_ >= 0 || nested_; }

    // A number for this thread's current hold of the lock of this path, the
    // same for all its nested locks and never given to another hold; 0 when
    // this thread does not hold it.
    static std::uint64_t holdOf(const std::string& lockPath);

private:
    std::string path_;
    int fd_ = -1;
    bool nested_ = false;
};

} // namespace moorkeep
