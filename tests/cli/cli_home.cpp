#include "cli_home.h"

#include "support/scoped_env.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace moorkeep::test {

namespace {

int waitForExit(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

// In the child of forkpty, the leader of the terminal's session: runs the
// program in a background group of its own that is orphaned (its parent
// leaves it), where every change of the terminal's settings fails (EIO)
// while reading it still works. The leader keeps the terminal, but none of
// its descriptors, so the output ends with the program's.
[[noreturn]] void runOrphaned(const Argv& argv) {
    const pid_t middle = fork();
    if (middle == 0) {
        if (fork() == 0) {
            setpgid(0, 0);
            while (getppid() == middle)
                usleep(1000);
            execv(argv.pointers[0], argv.pointers.data());
        }
        _exit(0);
    }
    waitpid(middle, nullptr, 0);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        close(fd);
    pause();
    _exit(0);
}

} // namespace

Argv::Argv(const std::string& program, const std::vector<std::string>& args)
    : texts{program} {
    texts.insert(texts.end(), args.begin(), args.end());
    for (auto& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input, const std::optional<std::string>& demo) {
    TempDir files;
    writeFile(files.file("in"), input);
    return runProcessReading(program, args, files.file("in"), demo);
}

ProcessResult runProcessReading(const std::string& program, const std::vector<std::string>& args,
                                const std::string& inputPath,
                                const std::optional<std::string>& demo) {
    // Files rather than pipes: nothing to drain while the child runs.
    TempDir files;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputPath.c_str(), O_RDONLY, 0);
    for (auto [fd, name] : {std::pair{STDOUT_FILENO, "out"}, std::pair{STDERR_FILENO, "err"}})
        posix_spawn_file_actions_addopen(&actions, fd, files.file(name).c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    Argv argv(program, args);
    // The child inherits this process's environment.
    ScopedEnv demoVariable("MOORKEEP_DEMO", demo);
    pid_t pid;
    int spawned =
        posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ProcessResult result;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program;
        return result;
    }
    result.status = waitForExit(pid);
    result.out = readFile(files.file("out"));
    result.err = readFile(files.file("err"));
    return result;
}

ProcessResult CliHome::runOnTerminal(const std::vector<std::string>& command,
                                     const std::vector<TerminalStep>& steps, bool orphaned) const {
    Argv argv(cliPath, args(command));
    ScopedEnv noDemo("MOORKEEP_DEMO", std::nullopt);
    // An orphaned program is reparented to this process, which sees its end.
    EXPECT_EQ(prctl(PR_SET_CHILD_SUBREAPER, orphaned), 0);
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        if (orphaned)
            runOrphaned(argv);
        execv(cliPath.c_str(), argv.pointers.data());
        _exit(127);
    }
    ProcessResult result;
    if (pid < 0) {
        ADD_FAILURE() << "cannot start " << cliPath << " on a terminal";
        return result;
    }
    // False at the end of the output (EIO once the child has closed the
    // terminal); a child silent for a minute is ended.
    auto readMore = [&] {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 60'000) <= 0) {
            ADD_FAILURE() << "the program hangs; its terminal shows:\n" << result.out;
            kill(pid, SIGKILL);
            return false;
        }
        char buffer[4096];
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0)
            result.out.append(buffer, static_cast<std::size_t>(n));
        return n > 0;
    };
    std::size_t searchFrom = 0;
    for (const auto& step : steps) {
        std::size_t found;
        while ((found = result.out.find(step.expect, searchFrom)) == std::string::npos &&
               readMore()) {
        }
        if (found == std::string::npos) {
            ADD_FAILURE() << "the terminal never showed \"" << step.expect << "\":\n" << result.out;
            break;
        }
        searchFrom = found + step.expect.size();
        EXPECT_EQ(write(master, step.send.data(), step.send.size()),
                  static_cast<ssize_t>(step.send.size()));
    }
    while (readMore()) {
    }
    close(master);
    if (orphaned) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1; // the program, the one child left
        prctl(PR_SET_CHILD_SUBREAPER, 0);
    }
    result.status = waitForExit(pid);
    return result;
}

ProcessResult runDemo(const std::vector<std::string>& command, const std::string& input) {
    return runProcess(cliPath, command, input, "1");
}

CliHome::CliHome() {
    std::filesystem::create_directories(sshPath(""));
    std::filesystem::permissions(sshPath(""), std::filesystem::perms::owner_all);
}

std::vector<std::string> CliHome::args(const std::vector<std::string>& command,
                                       std::vector<std::string> before) const {
    before.insert(before.end(), {"--home", home(), "--meta", metaPath()});
    before.insert(before.end(), command.begin(), command.end());
    return before;
}

ProcessResult CliHome::run(const std::vector<std::string>& command,
                           const std::string& input) const {
    return runProcess(cliPath, args(command), input);
}

void CliHome::change(const std::vector<std::string>& command, const std::string& input) const {
    auto result = run(command, input);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
}

ProcessResult CliHome::refused(const std::vector<std::string>& command, int status,
                               const std::string& reason, const std::string& input) const {
    const auto configNow = [&] {
        return std::filesystem::exists(configPath()) ? config() : "(no file)";
    };
    const std::string before = configNow();
    auto result = run(command, input);
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_FALSE(result.err.empty());
    EXPECT_THAT(result.err, HasSubstr(reason));
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(configNow(), before) << "nothing was written";
    return result;
}

std::string CliHome::ssh(const std::string& host, const std::string& keyword) const {
    const SshView shown = sshView(configPath(), host, home());
    const auto found = shown.find(keyword);
    return found == shown.end() ? "" : found->second.front();
}

bool CliHome::keyOpensWith(const std::string& name, const std::string& passphrase) const {
    return runProcess("/usr/bin/ssh-keygen", {"-y", "-P", passphrase, "-f", sshPath(name)})
               .status == 0;
}

SSHKey CliHome::key(const std::string& file) const {
    const auto keys = snapshot().keys;
    return keys.at(std::ranges::find(keys, "~/.ssh/" + file, &SSHKey::path) - keys.begin());
}

} // namespace moorkeep::test
