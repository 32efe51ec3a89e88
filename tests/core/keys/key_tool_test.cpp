#include "files/interrupt_cleanup.h"
#include "keys/askpass.h"
#include "keys/key_pair_files.h"
#include "keys/key_tool.h"
#include "support/open_files.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

// The state letter and the session of a process as /proc shows them; 'X'
// (dead) when there is no such process.
std::pair<char, int> stateAndSession(const std::filesystem::path& process) {
    std::ifstream in(process / "stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    char state = 'X';
    int parent = 0, group = 0, session = 0;
    fields >> state >> parent >> group >> session;
    return {state, session};
}

// Whether the process is gone: no such process, or a zombie left for
// whoever reaps it.
bool gone(const std::pair<char, int>& state) {
    return state.first == 'Z' || state.first == 'X';
}

// Whether every process of the session is gone within ten seconds.
bool sessionEndsSoon(int session) {
    return eventually(
        [session] {
            for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
                const std::string name = entry.path().filename();
                if (name.find_first_not_of("0123456789") != std::string::npos)
                    continue;
                if (const auto state = stateAndSession(entry.path());
                    state.second == session && !gone(state))
                    return false;
            }
            return true;
        },
        seconds(10));
}

TEST(KeyToolTest, ReportsTheStatusTheArgumentsAndBothStreamsWhole) {
    // Each child ends at once; a runner that waited for the limit would hang here.
    const std::pair<const char*, int> cases[] = {
        {"exit 0", 0}, {"exit 3", 3}, {"kill -USR1 $$", SIGUSR1}};
    for (const auto& [script, status] : cases)
        EXPECT_EQ(runKeyTool("/bin/sh", {"-c", script}, 60.0).status, status) << script;
    // A program that cannot be started is reported, not run.
    const KeyToolResult missing = runKeyTool("/nonexistent/ssh-keygen", {"-lf", "x"}, 60.0);
    EXPECT_EQ(missing.status, -1);
    EXPECT_EQ(missing.output, "");
    EXPECT_NE(missing.errorOutput, "");
    // Arguments pass exactly, empty ones too.
    const KeyToolResult words = runKeyTool(
        "/bin/sh", {"-c", "for a; do printf '[%s]' \"$a\"; done", "sh", "", "two words", "*", ""},
        60.0);
    EXPECT_EQ(words.status, 0);
    EXPECT_EQ(words.output, "[][two words][*][]");
    // Passed descriptors arrive from 3 up, in their order, and nothing else
    // is open (ls adds one of its own).
    int first[2], second[2];
    ASSERT_EQ(::pipe(first), 0);
    ASSERT_EQ(::pipe(second), 0);
    ASSERT_EQ(::write(first[1], "one", 3), 3);
    ASSERT_EQ(::write(second[1], "two", 3), 3);
    for (int fd : {first[1], second[1]})
        ::close(fd);
    KeyToolOptions passing;
    passing.passedDescriptors = {second[0], first[0]};
    EXPECT_EQ(
        runKeyTool("/bin/sh", {"-c", "cat <&3; cat <&4; ls /proc/self/fd | wc -l"}, 60.0, passing)
            .output,
        "twoone6\n");
    for (int fd : {first[0], second[0]})
        ::close(fd);
    // A mebibyte on each stream, error output first: a runner that read only one stream, or only
    // after the exit, would leave the child blocked on a full pipe until the limit.
    KeyToolResult result = runKeyTool("/bin/sh",
                                      {"-c", "head -c 1048576 /dev/zero | tr '\\0' e >&2;"
                                             "head -c 1048576 /dev/zero | tr '\\0' o; exit 4"},
                                      60.0);
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.output, std::string(1 << 20, 'o'));
    EXPECT_EQ(result.errorOutput, std::string(1 << 20, 'e'));
}

TEST(KeyToolTest, ChildPastItsTimeIsEndedWithAllItStartedOrPastItsMemory) {
    // Each row: a name, a script that writes its pid to the file named by $1
    // first, and the signal that ends it.
    const std::tuple<const char*, const char*, int> cases[] = {
        {"sleeper", "echo $$ > \"$1\"; printf before; sleep 30 & wait", SIGTERM},
        {"ignores TERM and INT",
         "trap '' TERM INT; echo $$ > \"$1\"; printf before; while :; do sleep 1; done", SIGKILL},
    };
    for (const auto& [name, script, status] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string pidFile = dir.file("pid");
        constexpr double limit = 1.0;
        const auto started = steady_clock::now();
        KeyToolResult result = runKeyTool("/bin/sh", {"-c", script, "sh", pidFile}, limit);
        EXPECT_LT(duration<double>(steady_clock::now() - started).count(), limit + 1.5);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.output, "before");
        const int pid = std::stoi(readFile(pidFile));
        // Reaped by the runner (no zombie of ours), and nothing of its session lives on.
        EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
        EXPECT_TRUE(sessionEndsSoon(pid));
    }
    // Nor can it take more than its memory ceiling.
    KeyToolOptions options;
    options.memoryLimit = std::uint64_t{32} << 20;
    // Growing a shell variable past the ceiling ends the shell.
    const auto result =
        runKeyTool("/bin/sh", {"-c", "x=$(head -c 100000000 /dev/zero | tr '\\0' a); echo ${#x}"},
                   30, options);
    EXPECT_NE(result.output, "100000000\n");
}

// A program ended by a signal it handles (SIGTERM, SIGINT, SIGHUP) or by one
// it cannot (SIGKILL) leaves neither its tool running nor, where it could
// clean up, its private key copy, staging folder and askpass folder.
TEST(EndedProgram, LeavesNothingBehind) {
    for (int ending : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
        SCOPED_TRACE(sigabbrev_np(ending));
        TempDir dir;
        writeFile(dir.file("id_key"), "private key");
        const pid_t program = ::fork();
        ASSERT_GE(program, 0);
        if (program == 0) {
            InterruptCleanup::install();
            ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
            const Askpass askpass("old", "new");
            KeyPairFiles::PrivateCopy copy(dir.file("id_key"));
            KeyPairFiles::StagingFolder staging(dir.path());
            staging.expect("id_new");
            std::ofstream(staging.path() + "/id_new") << "half a key";
            runKeyTool("/bin/sh", {"-c", "echo $$ > " + dir.file("tool.pid") + "; exec sleep 60"},
                       120);
            ::_exit(0);
        }
        pid_t tool = 0;
        eventually([&] { return std::ifstream(dir.file("tool.pid")) >> tool && tool > 0; }, 10s);
        ASSERT_GT(tool, 0) << "the tool never started";
        ::kill(program, ending);
        int status = 0;
        ::waitpid(program, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_TRUE(
            eventually([&] { return gone(stateAndSession("/proc/" + std::to_string(tool))); }, 5s));
        if (ending != SIGKILL) {
            EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"id_key", "tool.pid"}));
        }
    }
}

} // namespace
} // namespace moorkeep::test
