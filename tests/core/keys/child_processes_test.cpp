#include "files/interrupt_cleanup.h"
#include "keys/key_pair_files.h"
#include "keys/key_tool.h"
#include "support/open_files.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

// What the tools the program starts can cost, and what they and the
// program's scratch files leave when the program itself is ended.
namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Whether the process is gone: no such process, or a zombie left for
// whoever reaps it.
bool gone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const auto end = text.rfind(')');
    return !stat || end == std::string::npos || text.substr(end + 2, 1) == "Z";
}

// The pid a tool wrote into the file, once it has; 0 if it never does.
pid_t pidIn(const std::string& path) {
    pid_t pid = 0;
    eventually([&] { return std::ifstream(path) >> pid && pid > 0; }, 10s);
    return pid;
}

TEST(ChildProcesses, AToolCannotTakeMoreThanItsMemoryCeiling) {
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
// clean up, its private key copy and staging folder.
class EndedProgram : public ::testing::TestWithParam<int> {};

TEST_P(EndedProgram, LeavesNothingBehind) {
    TempDir dir;
    writeFile(dir.file("id_key"), "private key");
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        InterruptCleanup::install();
        KeyPairFiles::PrivateCopy copy(dir.file("id_key"));
        KeyPairFiles::StagingFolder staging(dir.path());
        staging.expect("id_new");
        std::ofstream(staging.path() + "/id_new") << "half a key";
        runKeyTool("/bin/sh", {"-c", "echo $$ > " + dir.file("tool.pid") + "; exec sleep 60"}, 120);
        ::_exit(0);
    }
    const pid_t tool = pidIn(dir.file("tool.pid"));
    ASSERT_GT(tool, 0) << "the tool never started";
    ::kill(program, GetParam());
    int status = 0;
    ::waitpid(program, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(eventually([&] { return gone(tool); }, 5s));
    if (GetParam() == SIGKILL)
        return;
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"id_key", "tool.pid"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, EndedProgram, ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGKILL),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

} // namespace
} // namespace moorkeep::test
