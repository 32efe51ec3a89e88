#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>

namespace moorkeep::keys {

// Owns a file descriptor and closes it.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd)
        : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset();

private:
    int fd_ = -1;
};

// How a child ended and the raw bytes it wrote.
struct ToolOutcome {
    int status = -1; // exit code, or the number of the ending signal
    std::string output;
    std::string errorOutput;
};

// A started child that leads its own session, with the read ends of its
// standard output and error. Both pipes are drained whenever the child is
// waited for, so it can never block on a full pipe.
class ToolChild {
public:
    ToolChild(pid_t pid, Descriptor output, Descriptor errorOutput);
    ~ToolChild();
    ToolChild(const ToolChild&) = delete;
    ToolChild& operator=(const ToolChild&) = delete;

    // Collects output until the child has exited or the time has come; true
    // once it has exited.
    bool collectUntil(std::chrono::steady_clock::time_point until);
    // Sends the signal to the child's process group, which also holds
    // whatever the child started.
    void signalGroup(int signal) const;
    // Kills whatever is left of the group, reaps the child and returns what it
    // wrote.
    ToolOutcome finish();

private:
    struct Stream {
        Descriptor pipe;
        std::string bytes;
        bool failed = false;
    };

    bool hasExited() const;
    static void drain(Stream& stream);

    pid_t pid_;
    bool reaped_ = false;
    Descriptor exitNotice_; // readable once the child has exited, where the system offers that
    Stream output_;
    Stream errorOutput_;
};

} // namespace moorkeep::keys
