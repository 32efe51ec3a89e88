#pragma once

#include <csignal>
#include <optional>
#include <string>
#include <sys/types.h>

// What an interrupted process must not leave behind: private copies of keys,
// half-made key pairs, running children. Guards name them while they exist;
// a SIGINT, SIGTERM or SIGHUP then removes them before the process ends as
// the signal would have ended it.
namespace moorkeep::InterruptCleanup {

// Installs the handlers, and ignores SIGXFSZ so that a write past the limit
// on file sizes fails instead of ending the process. Called once, early, by
// a program that wants them.
void install();

// Ends every child a guard names now, as an interrupt would, but leaves this
// process running: the calls waiting on those children then fail at once and
// clean up after themselves. For a program that quits while calls run.
void endChildren();

// Names one thing for the handlers while it lives. Registration never fails:
// past the fixed number of places a thing is simply not named.
class Guard {
public:
    enum class Kind { file, folder, processGroup };

    Guard(Kind kind, const std::string& path);
    explicit Guard(pid_t processGroup);
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    int slot_ = -1;
};

// Held from just before a thing is made until its guard names it. The
// ending signals wait in this thread meanwhile, and a handler that began in
// another waits for the guard, so that nothing made in between is left
// behind; once a handler has begun, making stops here. Nothing in its scope
// may allocate: the handler may have stopped its own thread inside the
// allocator, which would then hold this one until the handler gives up.
class Making {
public:
    Making();
    ~Making();
    Making(const Making&) = delete;
    Making& operator=(const Making&) = delete;

private:
    sigset_t earlierMask_{};
};

// Makes a file (as mkstemp does) or a folder (as mkdtemp does) from the
// pattern and names it in the guard, as one step: the open file, or -1 (and
// 0, or -1 for the folder), with errno set on failure.
int makeTemporaryFile(std::string& pattern, std::optional<Guard>& guard);
int makeTemporaryFolder(std::string& pattern, std::optional<Guard>& guard);

} // namespace moorkeep::InterruptCleanup
