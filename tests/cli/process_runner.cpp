#include "process_runner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace moorkeep::test {

namespace {

// Only a guard against a hung child: no test waits for it to pass.
constexpr auto hangLimit = std::chrono::seconds(60);

std::vector<std::string> environmentWith(const EnvironmentChanges& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        if (!changes.contains(text.substr(0, text.find('='))))
            entries.push_back(text);
    }
    for (const auto& [name, value] : changes)
        if (value)
            entries.push_back(name + "=" + *value);
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& text : texts)
        out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

int exitStatus(int waitStatus) {
    if (WIFEXITED(waitStatus))
        return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus))
        return 128 + WTERMSIG(waitStatus);
    return -1;
}

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        read = fds[0];
        write = fds[1];
    }
};

} // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input, const EnvironmentChanges& changes) {
    Pipe in, out, err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    // This process ignores SIGPIPE (a child may exit before reading its
    // input); the child gets the default back.
    static const bool pipeSignalIgnored = [] {
        signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)pipeSignalIgnored;
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    // A session of its own: the child has no controlling terminal, so
    // nothing it does can wait for a person at the terminal running the tests.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = environmentWith(changes);
    auto argvPointers = pointers(argv);
    auto envpPointers = pointers(envp);
    pid_t pid;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argvPointers.data(),
                              envpPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(in.read);
    close(out.write);
    close(err.write);
    ProcessResult result;
    if (spawned != 0) {
        close(in.write);
        close(out.read);
        close(err.read);
        ADD_FAILURE() << "cannot start " << program;
        return result;
    }

    std::size_t written = 0;
    int inFd = in.write;
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    int outFd = out.read;
    int errFd = err.read;
    const auto deadline = std::chrono::steady_clock::now() + hangLimit;
    while (outFd >= 0 || errFd >= 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << program << " did not finish";
            kill(pid, SIGKILL);
            break;
        }
        pollfd fds[3] = {{inFd, POLLOUT, 0}, {outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
        if (poll(fds, 3, 1000) < 0 && errno != EINTR)
            break;
        if (inFd >= 0 && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t n = write(inFd, input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if (n < 0 || written == input.size()) {
                close(inFd);
                inFd = -1;
            }
        }
        auto drain = [](pollfd& fd, int& owned, std::string& into) {
            if (owned < 0 || !(fd.revents & (POLLIN | POLLHUP | POLLERR)))
                return;
            char buffer[4096];
            ssize_t n = read(owned, buffer, sizeof buffer);
            if (n > 0) {
                into.append(buffer, static_cast<std::size_t>(n));
            } else {
                close(owned);
                owned = -1;
            }
        };
        drain(fds[1], outFd, result.out);
        drain(fds[2], errFd, result.err);
    }
    for (int fd : {inFd, outFd, errFd})
        if (fd >= 0)
            close(fd);
    int waitStatus = 0;
    waitpid(pid, &waitStatus, 0);
    result.status = exitStatus(waitStatus);
    return result;
}

TerminalResult runOnTerminal(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<TerminalStep>& steps,
                             const EnvironmentChanges& changes) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = environmentWith(changes);
    auto argvPointers = pointers(argv);
    auto envpPointers = pointers(envp);

    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execve(program.c_str(), argvPointers.data(), envpPointers.data());
        _exit(127);
    }
    TerminalResult result;
    if (pid < 0) {
        ADD_FAILURE() << "cannot start " << program << " on a terminal";
        return result;
    }

    std::size_t step = 0;
    std::size_t searchFrom = 0;
    const auto deadline = std::chrono::steady_clock::now() + hangLimit;
    for (;;) {
        if (step < steps.size()) {
            auto found = result.screen.find(steps[step].expect, searchFrom);
            if (found != std::string::npos) {
                searchFrom = found + steps[step].expect.size();
                const std::string& text = steps[step].send;
                EXPECT_EQ(write(master, text.data(), text.size()),
                          static_cast<ssize_t>(text.size()));
                ++step;
                continue;
            }
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the terminal never showed \""
                          << (step < steps.size() ? steps[step].expect : "") << "\"; it shows:\n"
                          << result.screen;
            kill(pid, SIGKILL);
            break;
        }
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 1000) <= 0)
            continue;
        char buffer[4096];
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            break; // EIO once the child has closed the terminal
        result.screen.append(buffer, static_cast<std::size_t>(n));
    }
    close(master);
    int waitStatus = 0;
    waitpid(pid, &waitStatus, 0);
    result.status = exitStatus(waitStatus);
    EXPECT_EQ(step, steps.size()) << "not every step was reached; the terminal shows:\n"
                                  << result.screen;
    return result;
}

} // namespace moorkeep::test
