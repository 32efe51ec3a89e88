#include "files/interrupt_cleanup.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace moorkeep::InterruptCleanup {
namespace {

enum State : int { freeSlot, filling, ready };

// Plain memory the handler can read without locks or allocation.
struct Slot {
    std::atomic<int> state{freeSlot};
    Guard::Kind kind = Guard::Kind::file;
    pid_t group = 0;
    char path[PATH_MAX] = {};
};

std::array<Slot, 64> slots;
// Set once a handler runs: a thread that names a thing after that removes
// it itself and makes nothing more, since the process is ending.
std::atomic<bool> ending{false};
// How many threads are between making a thing and naming it, in all and in
// this thread.
std::atomic<int> making{0};
thread_local int makingHere = 0;

// The longest a handler waits for the things being made to be named: making
// a file takes a moment, but on a busy disk creating one can stall for long.
constexpr int namingWaitMilliseconds = 5000;

int claim() {
    for (std::size_t i = 0; i < slots.size(); ++i) {
        int expected = freeSlot;
        if (slots[i].state.compare_exchange_strong(expected, filling))
            return static_cast<int>(i);
    }
    return -1;
}

void undo(const Slot& slot) {
    if (slot.kind == Guard::Kind::processGroup)
        ::kill(-slot.group, SIGKILL);
    else if (slot.kind == Guard::Kind::file)
        ::unlink(slot.path);
    else
        ::rmdir(slot.path);
}

void undo(Guard::Kind kind) {
    for (const auto& slot : slots)
        if (slot.state.load() == ready && slot.kind == kind)
            undo(slot);
}

void undoAll() {
    // Children first, so that none writes a file again after it is gone;
    // folders last, once the files in them are.
    undo(Guard::Kind::processGroup);
    undo(Guard::Kind::file);
    undo(Guard::Kind::folder);
}

extern "C" void onInterrupt(int signal) {
    ending.store(true);
    const timespec millisecond{0, 1'000'000};
    for (int waited = 0; waited < namingWaitMilliseconds && making.load() > 0; ++waited)
        ::nanosleep(&millisecond, nullptr);
    undoAll();
    // Other threads run on until the process ends: one that had just made
    // a file names it within a moment, and is stopped there.
    const timespec moment{0, 2'000'000};
    ::nanosleep(&moment, nullptr);
    undoAll();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// In a thread that would go on making or naming things after a handler
// began: the handler no longer waits for it.
[[noreturn]] void stop() {
    making.fetch_sub(makingHere);
    makingHere = 0;
    for (;;)
        ::pause();
}

// In a thread that named a thing after a handler began.
void removeAndStop(const Slot& slot) {
    undo(slot);
    stop();
}

sigset_t endingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, signal);
    return signals;
}

} // namespace

void install() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_mask = endingSignals();
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    // Past the limit on file sizes (ulimit -f) the system would end the
    // process without a word; ignored, the write fails with EFBIG and the
    // change says why, leaving no temporary behind.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

void endChildren() {
    undo(Guard::Kind::processGroup);
}

Guard::Guard(Kind kind, const std::string& path)
    : slot_(path.size() < PATH_MAX ? claim() : -1) {
    if (slot_ < 0)
        return;
    Slot& slot = slots[static_cast<std::size_t>(slot_)];
    slot.kind = kind;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.state.store(ready);
    if (ending.load())
        removeAndStop(slot);
}

Guard::Guard(pid_t processGroup)
    : slot_(claim()) {
    if (slot_ < 0)
        return;
    Slot& slot = slots[static_cast<std::size_t>(slot_)];
    slot.kind = Kind::processGroup;
    slot.group = processGroup;
    slot.state.store(ready);
    if (ending.load())
        removeAndStop(slot);
}

Guard::~Guard() {
    if (slot_ >= 0)
        slots[static_cast<std::size_t>(slot_)].state.store(freeSlot);
}

Making::Making() {
    const sigset_t signals = endingSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, &earlierMask_);
    making.fetch_add(1);
    ++makingHere;
    if (ending.load())
        stop();
}

int makeTemporaryFile(std::string& pattern, std::optional<Guard>& guard) {
    int fd = -1;
    int error = 0;
    {
        const Making making;
        fd = ::mkstemp(pattern.data());
        error = errno;
        if (fd >= 0)
            guard.emplace(Guard::Kind::file, pattern);
    }
    errno = error;
    return fd;
}

int makeTemporaryFolder(std::string& pattern, std::optional<Guard>& guard) {
    int error = 0;
    bool made = false;
    {
        const Making making;
        made = ::mkdtemp(pattern.data()) != nullptr;
        error = errno;
        if (made)
            guard.emplace(Guard::Kind::folder, pattern);
    }
    errno = error;
    return made ? 0 : -1;
}

Making::~Making() {
    --makingHere;
    making.fetch_sub(1);
    // A signal that came meanwhile is handled now, with the thing named.
    ::pthread_sigmask(SIG_SETMASK, &earlierMask_, nullptr);
}

} // namespace moorkeep::InterruptCleanup
