#include "keys/key_tool.h"

#include "files/interrupt_cleanup.h"
#include "files/text_file.h"
#include "keys/tool_child.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char** environ;

namespace moorkeep {
namespace {

using keys::Descriptor;
using keys::ToolChild;
using Clock = std::chrono::steady_clock;

// Between the two polite requests, and after them before the child is killed.
constexpr auto signalGap = std::chrono::milliseconds(50);
constexpr auto killGrace = std::chrono::milliseconds(500);
// Long enough for any caller, short enough that the deadline cannot overflow.
constexpr double longestLimitSeconds = 1e6;

struct Pipe {
    Descriptor readEnd;
    Descriptor writeEnd;
};

// Moves a descriptor above the standard streams: the child's set-up fills 0
// to 2 in turn and must not overwrite a pipe end it has yet to use.
Descriptor aboveStandardStreams(int fd) {
    if (fd > 2)
        return Descriptor(fd);
    Descriptor moved(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
    ::close(fd);
    return moved;
}

// Close-on-exec, so that a child started at the same moment by another thread
// cannot inherit our ends and keep them open.
bool openPipe(Pipe& pipe) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    pipe.readEnd = aboveStandardStreams(ends[0]);
    pipe.writeEnd = aboveStandardStreams(ends[1]);
    return pipe.readEnd.valid() && pipe.writeEnd.valid();
}

std::string startFailure(const std::string& path, int error) {
    return "Cannot run " + path + ": " + std::system_category().message(error);
}

// The inherited environment with our settings in place of entries of the same
// name. Unless a caller says otherwise, OpenSSH must not fall back to a
// graphical passphrase prompt.
std::vector<std::string> childEnvironment(const KeyToolOptions& options) {
    std::vector<std::pair<std::string, std::string>> settings{{"SSH_ASKPASS_REQUIRE", "never"}};
    for (const auto& [name, value] : options.environment) {
        auto same = std::find_if(settings.begin(), settings.end(),
                                 [&](const auto& setting) { return setting.first == name; });
        if (same != settings.end())
            same->second = value;
        else
            settings.emplace_back(name, value);
    }
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        std::string_view name = text.substr(0, text.find('='));
        if (std::none_of(settings.begin(), settings.end(),
                         [&](const auto& setting) { return setting.first == name; }))
            entries.emplace_back(text);
    }
    for (const auto& [name, value] : settings)
        entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> nullTerminated(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& string : strings)
        pointers.push_back(string.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Closes every descriptor from `first` up but one (which closes itself at
// exec).
void closeFromBut(int first, int kept) {
#ifdef SYS_close_range
    if ((kept == first || ::syscall(SYS_close_range, static_cast<unsigned>(first),
                                    static_cast<unsigned>(kept) - 1, 0U) == 0) &&
        ::syscall(SYS_close_range, static_cast<unsigned>(kept) + 1, ~0U, 0U) == 0)
        return;
#endif
    const long open = ::sysconf(_SC_OPEN_MAX);
    for (int fd = first; fd < (open > 0 && open < 65536 ? open : 65536); ++fd)
        if (fd != kept)
            ::close(fd);
}

[[noreturn]] void failStart(int notice) {
    const int error = errno;
    [[maybe_unused]] ssize_t written = ::write(notice, &error, sizeof error);
    ::_exit(127);
}

// The part of the start that runs in the child between vfork and exec, in
// the parent's memory, so only calls that are safe there: a session of its
// own (no controlling terminal, one process group that holds whatever it
// starts), death with the thread that started it, a ceiling on its memory,
// signals unblocked and at their defaults, the given standard streams, the
// passed descriptors from 3 up and no other descriptor. The error of a
// failed start goes to the parent through the notice pipe.
[[noreturn]] void becomeTool(const char* path, char* const* argv, char* const* envp,
                             const std::array<int, 3>& streams, int notice, pid_t parent,
                             const std::vector<int>& passed, std::uint64_t memoryLimit) {
    ::setsid();
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
#else
    (void)parent;
#endif
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // The notice and the passed descriptors first move above the numbers the
    // passed ones take, so that placing one never overwrites another.
    const int count = static_cast<int>(passed.size());
    const int above = 3 + count;
    notice = ::fcntl(notice, F_DUPFD_CLOEXEC, above);
    if (notice < 0)
        ::_exit(127);
    std::array<int, passedDescriptorLimit> lifted{};
    for (int i = 0; i < count; ++i)
        if ((lifted[static_cast<std::size_t>(i)] =
                 ::fcntl(passed[static_cast<std::size_t>(i)], F_DUPFD_CLOEXEC, above)) < 0)
            failStart(notice);
    for (int target = 0; target < 3; ++target)
        ::dup2(streams[static_cast<std::size_t>(target)], target);
    for (int i = 0; i < count; ++i)
        if (::dup2(lifted[static_cast<std::size_t>(i)], 3 + i) < 0)
            failStart(notice);
    closeFromBut(above, notice);
    // Last, so that nothing this process still does before the exec (a
    // sanitizer's bookkeeping included) runs under the ceiling.
    if (memoryLimit > 0) {
        const rlimit limit{static_cast<rlim_t>(memoryLimit), static_cast<rlim_t>(memoryLimit)};
        ::setrlimit(RLIMIT_AS, &limit);
    }
    ::execve(path, argv, envp);
    failStart(notice);
}

// Starts the program as becomeTool describes. Returns 0 or the error number.
int spawnChild(const std::string& path, const std::vector<std::string>& args,
               const KeyToolOptions& options, const std::array<int, 3>& streams, pid_t& pid) {
    if (options.passedDescriptors.size() > passedDescriptorLimit)
        return EINVAL;
    std::vector<std::string> arguments{path};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<std::string> environment = childEnvironment(options);
    std::vector<char*> argv = nullTerminated(arguments);
    std::vector<char*> envp = nullTerminated(environment);

    Pipe notice;
    if (!openPipe(notice))
        return errno;
    const pid_t parent = ::getpid();
    // vfork, because fork would copy the page tables of a large process and
    // make every page it then writes fault again, which costs more than the
    // check the child runs. The child borrows this thread's memory until it
    // execs, so no handler of this process may run in it: signals wait until
    // it has set its own to their defaults.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    pid = ::vfork();
    if (pid == 0)
        becomeTool(path.c_str(), argv.data(), envp.data(), streams, notice.writeEnd.get(), parent,
                   options.passedDescriptors, options.memoryLimit);
    const int started = pid < 0 ? errno : 0;
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (started != 0)
        return started;
    notice.writeEnd.reset();
    int error = 0;
    ssize_t count;
    do {
        count = ::read(notice.readEnd.get(), &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    if (count != static_cast<ssize_t>(sizeof error))
        return 0;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return error;
}

std::string utf8OrEmpty(std::string bytes) {
    return files::isValidUtf8(bytes) ? std::move(bytes) : std::string();
}

} // namespace

KeyToolResult runKeyTool(const std::string& path, const std::vector<std::string>& args,
                         double limitSeconds, const KeyToolOptions& options) {
    Pipe input;
    Pipe output;
    Pipe errors;
    if (!openPipe(input) || !openPipe(output) || !openPipe(errors))
        return {-1, {}, startFailure(path, errno)};
    pid_t pid = 0;
    if (int error =
            spawnChild(path, args, options,
                       {input.readEnd.get(), output.writeEnd.get(), errors.writeEnd.get()}, pid))
        return {-1, {}, startFailure(path, error)};

    // The child holds its own copies now. Closing both ends of its input gives
    // it an immediate end of file, never a wait for a terminal.
    input = {};
    output.writeEnd.reset();
    errors.writeEnd.reset();
    ToolChild child(pid, std::move(output.readEnd), std::move(errors.readEnd));
    const InterruptCleanup::Guard interrupted(pid);

    double limit = limitSeconds > 0 ? std::min(limitSeconds, longestLimitSeconds) : 0.0;
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(limit));
    if (!child.collectUntil(deadline)) {
        child.signalGroup(SIGTERM);
        if (!child.collectUntil(Clock::now() + signalGap)) {
            child.signalGroup(SIGINT);
            child.collectUntil(Clock::now() + killGrace);
        }
    }
    keys::ToolOutcome outcome = child.finish();
    return {outcome.status, utf8OrEmpty(std::move(outcome.output)),
            utf8OrEmpty(std::move(outcome.errorOutput))};
}

} // namespace moorkeep
