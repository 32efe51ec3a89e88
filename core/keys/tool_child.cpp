#include "keys/tool_child.h"

#include "files/file_error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#ifdef __linux__
#include <sys/syscall.h>
#endif

namespace moorkeep::keys {
namespace {

// How often the exit is checked where the system cannot report it.
constexpr auto pollTick = std::chrono::milliseconds(20);
// Reads per drain, so that a child writing without pause cannot keep the
// runner from its deadline.
constexpr int readsPerDrain = 64;

void makeNonBlocking(const Descriptor& descriptor) {
    if (!descriptor.valid())
        return;
    int flags = ::fcntl(descriptor.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(descriptor.get(), F_SETFL, flags | O_NONBLOCK);
}

// A descriptor that becomes readable when the child exits, so that a run
// ends without waiting for the next tick; invalid where the system has none.
Descriptor exitNoticeFor(pid_t pid) {
#ifdef SYS_pidfd_open
    return Descriptor(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#else
    (void)pid;
    return {};
#endif
}

} // namespace

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void Descriptor::reset() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

ToolChild::ToolChild(pid_t pid, Descriptor output, Descriptor errorOutput)
    : pid_(pid)
    , exitNotice_(exitNoticeFor(pid))
    , output_{std::move(output), {}, false}
    , errorOutput_{std::move(errorOutput), {}, false} {
    makeNonBlocking(output_.pipe);
    makeNonBlocking(errorOutput_.pipe);
}

ToolChild::~ToolChild() {
    if (!reaped_)
        finish();
}

bool ToolChild::collectUntil(std::chrono::steady_clock::time_point until) {
    for (;;) {
        drain(output_);
        drain(errorOutput_);
        if (hasExited())
            return true;
        auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return false;
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - now);
        if (!exitNotice_.valid())
            wait = std::min(wait, pollTick);
        std::array<pollfd, 3> watched{};
        nfds_t count = 0;
        for (int fd : {output_.pipe.get(), errorOutput_.pipe.get(), exitNotice_.get()}) {
            if (fd >= 0)
                watched[count++] = {fd, POLLIN, 0};
        }
        if (::poll(watched.data(), count, static_cast<int>(wait.count())) < 0 && errno != EINTR)
            std::this_thread::sleep_for(pollTick);
    }
}

void ToolChild::signalGroup(int signal) const {
    // Only while the child is unreaped: until then its pid, which is also its
    // group's id, cannot be given to another process.
    if (!reaped_)
        ::kill(-pid_, signal);
}

ToolOutcome ToolChild::finish() {
    signalGroup(SIGKILL);
    int waitStatus = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid_, &waitStatus, 0);
    } while (waited < 0 && errno == EINTR);
    reaped_ = true;
    drain(output_);
    drain(errorOutput_);

    ToolOutcome outcome;
    if (waited == pid_ && WIFEXITED(waitStatus))
        outcome.status = WEXITSTATUS(waitStatus);
    else if (waited == pid_ && WIFSIGNALED(waitStatus))
        outcome.status = WTERMSIG(waitStatus);
    if (!output_.failed)
        outcome.output = std::move(output_.bytes);
    if (!errorOutput_.failed)
        outcome.errorOutput = std::move(errorOutput_.bytes);
    // ssh-keygen says nothing when the limit on file sizes stops its write.
    if (waited == pid_ && WIFSIGNALED(waitStatus) && WTERMSIG(waitStatus) == SIGXFSZ)
        outcome.errorOutput += (outcome.errorOutput.empty() ? "" : "\n") +
                               std::string("it was stopped because ") + FileError::reason(EFBIG);
    output_.pipe.reset();
    errorOutput_.pipe.reset();
    return outcome;
}

bool ToolChild::hasExited() const {
    // Looks without reaping, so that the group can still be signalled safely.
    siginfo_t info{};
    for (;;) {
        if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0)
            return info.si_pid == pid_;
        if (errno != EINTR)
            return true; // not our child any more: nothing left to wait for
    }
}

void ToolChild::drain(Stream& stream) {
    char buffer[65536];
    for (int reads = 0; reads < readsPerDrain && stream.pipe.valid(); ++reads) {
        ssize_t count = ::read(stream.pipe.get(), buffer, sizeof buffer);
        if (count > 0) {
            stream.bytes.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            stream.pipe.reset();
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return;
        } else if (errno != EINTR) {
            stream.failed = true;
            stream.pipe.reset();
        }
    }
}

} // namespace moorkeep::keys
