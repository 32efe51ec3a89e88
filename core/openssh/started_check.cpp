#include "openssh/started_check.h"

#include "files/interrupt_cleanup.h"
#include "keys/tool_child.h"
#include "openssh/openssh_check.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::OpenSSHCheck {
namespace {

using keys::Descriptor;

// The started ssh runs twice as long as a check may: given its text within
// the one limit, it still has that whole limit for reading it.
constexpr double startedLimitSeconds = 2 * limitSeconds;

Descriptor openFifo(const std::string& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return Descriptor(fd);
}

// Stops early once ssh stops reading (it ended, or failed on a line).
void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
}

// A pipe that holds the whole text lets ssh read it without waiting for
// this thread at each of its small reads; the system's ceiling on pipe
// sizes (often 1 MiB) may allow less.
void widen(int fd, std::size_t bytes) {
#ifdef F_SETPIPE_SZ
    const long ceiling = 1L << 20;
    ::fcntl(fd, F_SETPIPE_SZ, static_cast<int>(std::min<std::size_t>(bytes + 1, ceiling)));
#else
    (void)fd;
    (void)bytes;
#endif
}

// Blocks SIGPIPE in this thread while it lives: a write that ssh no longer
// reads fails instead of ending the process, and the signal it raised is
// taken before the thread's mask is put back.
class PipeSignalHeld {
public:
    PipeSignalHeld() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        ::pthread_sigmask(SIG_BLOCK, &pipe_, &before_);
    }
    ~PipeSignalHeld() {
        const timespec now{};
        while (::sigtimedwait(&pipe_, nullptr, &now) == SIGPIPE) {
        }
        ::pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    }
    PipeSignalHeld(const PipeSignalHeld&) = delete;
    PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

private:
    sigset_t pipe_{};
    sigset_t before_{};
};

} // namespace

StartedCheck::StartedCheck(std::string sshPath, std::string destination)
    : sshPath_(std::move(sshPath))
    , destination_(std::move(destination))
    , fifo_(folder_.fifo("config")) {
    // The thread that starts ssh lives until ssh ends: a child of this
    // program dies with the thread that started it.
    runner_ = std::thread([this] { run(); });
}

StartedCheck::~StartedCheck() {
    if (runner_.joinable())
        finish({});
}

bool StartedCheck::fresh() const {
    return std::chrono::steady_clock::now() - started_ <
           std::chrono::duration<double>(limitSeconds);
}

void StartedCheck::run() {
    result_ = runCheck(sshPath_, fifo_, checkedDestination(destination_), {}, startedLimitSeconds);
    // The writer may wait for ssh to open the FIFO again, or be writing what
    // ssh no longer reads: a reader that drops what it gets lets it finish.
    Descriptor release;
    {
        const std::lock_guard lock(fifoMutex_);
        ended_ = true;
        release = openFifo(fifo_, O_RDONLY | O_NONBLOCK);
    }
    // The writer's last closing, after it saw that ssh ended, hangs the
    // FIFO up; served_ covers a writer that could not open it at all.
    char dropped[4096];
    while (!served_ && release.valid()) {
        pollfd ready{release.get(), POLLIN, 0};
        if (::poll(&ready, 1, 1) > 0 && ::read(release.get(), dropped, sizeof dropped) <= 0 &&
            (ready.revents & POLLHUP) != 0)
            break;
    }
}

void StartedCheck::renewFifo() {
    const InterruptCleanup::Making making;
    ::unlink(fifo_.c_str());
    ::mkfifo(fifo_.c_str(), 0600);
}

KeyToolResult StartedCheck::finish(std::string_view text) {
    {
        const PipeSignalHeld held;
        // Each opening of the FIFO by ssh is one reading of the
        // configuration; the release in run() ends the waiting for another.
        for (;;) {
            const Descriptor fifo = openFifo(fifo_, O_WRONLY);
            {
                const std::lock_guard lock(fifoMutex_);
                if (!fifo.valid() || ended_)
                    break;
                // Opening the FIFO ssh still reads would not wait for ssh
                // to open it again: a new one takes its name meanwhile.
                renewFifo();
            }
            widen(fifo.get(), text.size());
            writeAll(fifo.get(), text);
        }
    }
    served_ = true;
    runner_.join();
    return std::move(*result_);
}

} // namespace moorkeep::OpenSSHCheck
