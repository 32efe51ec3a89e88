#include "key_test_support.h"
#include "keys/key_tool.h"

#include <csignal>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace moorkeep {
namespace {

using namespace std::chrono;
using test::TempDir;

// Long enough that a run which waited for it would be noticed.
constexpr double generousLimit = 60.0;

KeyToolResult runShell(const std::string& script, double limit = generousLimit,
                       const KeyToolOptions& options = {}) {
    return runKeyTool("/bin/sh", {"-c", script}, limit, options);
}

struct StatusCase {
    const char* name;
    const char* script;
    int status;
};

class KeyToolStatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(KeyToolStatusTest, reportsExitCodeOrSignalWithoutWaitingForTheLimit) {
    auto started = steady_clock::now();
    KeyToolResult result = runShell(GetParam().script);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_LT(steady_clock::now() - started, seconds(30));
}

INSTANTIATE_TEST_SUITE_P(Endings, KeyToolStatusTest,
                         testing::Values(StatusCase{"success", "exit 0", 0},
                                         StatusCase{"exitCode", "exit 3", 3},
                                         StatusCase{"highExitCode", "exit 255", 255},
                                         StatusCase{"terminatedBySignal", "kill -USR1 $$", SIGUSR1},
                                         StatusCase{"killed", "kill -KILL $$", SIGKILL}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeyToolTest, passesArgumentsExactlyEmptyOnesIncluded) {
    KeyToolResult result = runKeyTool(
        "/bin/sh",
        {"-c", "for a; do printf '[%s]' \"$a\"; done", "sh", "", "two words", "*", "$HOME", ""},
        generousLimit);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "[][two words][*][$HOME][]");
}

TEST(KeyToolTest, keepsOutputAndErrorOutputApart) {
    KeyToolResult result = runShell("printf 'out\\n'; printf 'err\\n' >&2; exit 4");
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.output, "out\n");
    EXPECT_EQ(result.errorOutput, "err\n");
}

TEST(KeyToolTest, returnsAMebibyteOnEachStreamWhole) {
    // Error output first: a runner that read only one stream, or only after
    // the exit, would leave the child blocked on a full pipe until the limit.
    KeyToolResult result = runShell("head -c 1048576 /dev/zero | tr '\\0' e >&2;"
                                    "head -c 1048576 /dev/zero | tr '\\0' o");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, std::string(1 << 20, 'o'));
    EXPECT_EQ(result.errorOutput, std::string(1 << 20, 'e'));
}

TEST(KeyToolTest, streamThatIsNotUtf8BecomesEmpty) {
    KeyToolResult result = runShell("printf 'a\\377b'; printf 'caf\\303\\251' >&2");
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errorOutput, "caf\xC3\xA9");
}

TEST(KeyToolTest, standardInputIsAtItsEndAtOnce) {
    // A child that reads its input must not wait for a terminal or the limit.
    KeyToolResult result = runShell("if read line; then exit 1; fi; cat; exit 7", 20.0);
    EXPECT_EQ(result.status, 7);
    EXPECT_EQ(result.output, "");
}

TEST(KeyToolTest, childLeadsItsOwnSessionWithoutTerminal) {
    KeyToolResult result = runShell("cat /proc/$$/stat");
    ASSERT_EQ(result.status, 0);
    std::istringstream fields(result.output.substr(result.output.rfind(')') + 1));
    int pid = std::stoi(result.output);
    char state = 0;
    int parent = 0, group = 0, session = 0, terminal = -1;
    fields >> state >> parent >> group >> session >> terminal;
    EXPECT_EQ(session, pid);
    EXPECT_EQ(group, pid);
    EXPECT_EQ(terminal, 0);
}

TEST(KeyToolTest, otherDescriptorsAreNotInherited) {
    int inheritable = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(inheritable, 0);
    ASSERT_EQ(::dup2(inheritable, 100), 100);
    KeyToolResult result = runShell("ls /proc/$$/fd");
    ::close(100);
    ::close(inheritable);
    EXPECT_EQ(result.output, "0\n1\n2\n");
}

class KeyToolEnvironmentTest : public testing::Test {
protected:
    void SetUp() override { ::setenv("SSH_ASKPASS_REQUIRE", "prefer", 1); }
    void TearDown() override { ::unsetenv("SSH_ASKPASS_REQUIRE"); }

    static std::string environmentOf(const KeyToolOptions& options) {
        return runShell("env | grep -E '^(SSH_ASKPASS_REQUIRE|DISPLAY|HOME)=' | sort",
                        generousLimit, options)
            .output;
    }
};

TEST_F(KeyToolEnvironmentTest, forbidsAskpassAndKeepsTheRest) {
    EXPECT_EQ(environmentOf({}),
              "HOME=" + std::string(std::getenv("HOME")) + "\nSSH_ASKPASS_REQUIRE=never\n");
}

TEST_F(KeyToolEnvironmentTest, callerEntriesReplaceTheDefaults) {
    KeyToolOptions options{{{"SSH_ASKPASS_REQUIRE", "force"}, {"DISPLAY", "none"}}};
    EXPECT_EQ(environmentOf(options), "DISPLAY=none\nHOME=" + std::string(std::getenv("HOME")) +
                                          "\nSSH_ASKPASS_REQUIRE=force\n");
}

struct StartFailureCase {
    const char* name;
    const char* file;
    const char* content; // nullptr: create nothing
    mode_t mode;
};

class KeyToolStartFailureTest : public testing::TestWithParam<StartFailureCase> {};

TEST_P(KeyToolStartFailureTest, reportsMinusOneAndTheReason) {
    TempDir dir;
    std::string path = dir.file(GetParam().file);
    if (GetParam().content) {
        test::writeFile(path, GetParam().content);
        ::chmod(path.c_str(), GetParam().mode);
    }
    auto started = steady_clock::now();
    KeyToolResult result = runKeyTool(path, {"-lf", "x"}, generousLimit);
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.output, "");
    EXPECT_THAT(result.errorOutput, testing::HasSubstr(path));
    EXPECT_LT(steady_clock::now() - started, seconds(30));
}

INSTANTIATE_TEST_SUITE_P(Programs, KeyToolStartFailureTest,
                         testing::Values(StartFailureCase{"missing", "missing", nullptr, 0},
                                         StartFailureCase{"notExecutable", "plain",
                                                          "#!/bin/sh\nexit 0\n", 0644},
                                         StartFailureCase{"notAProgram", "garbage",
                                                          "\x7f"
                                                          "ELF garbage",
                                                          0755}),
                         [](const auto& info) { return std::string(info.param.name); });

struct OverrunCase {
    const char* name;
    const char* script; // writes its pid to the file named by $1 first
    int status;
};

class KeyToolLimitTest : public testing::TestWithParam<OverrunCase> {};

TEST_P(KeyToolLimitTest, endsTheChildAndEverythingItStarted) {
    TempDir dir;
    std::string pidFile = dir.file("pid");
    constexpr double limit = 1.0;
    auto started = steady_clock::now();
    KeyToolResult result = runKeyTool("/bin/sh", {"-c", GetParam().script, "sh", pidFile}, limit);
    auto took = duration<double>(steady_clock::now() - started).count();

    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.output, "before");
    EXPECT_LT(took, limit + 1.5);
    std::string pidText = test::readFile(pidFile);
    ASSERT_FALSE(pidText.empty());
    int pid = std::stoi(pidText);
    // Reaped by the runner (no zombie of ours), and nothing of its session lives on.
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_TRUE(test::sessionEndsSoon(pid));
}

INSTANTIATE_TEST_SUITE_P(
    Children, KeyToolLimitTest,
    testing::Values(OverrunCase{"sleeper", "echo $$ > \"$1\"; printf before; sleep 30 & wait",
                                SIGTERM},
                    OverrunCase{"ignoresPoliteSignals",
                                "trap '' TERM INT; echo $$ > \"$1\"; printf before;"
                                "while :; do sleep 1; done",
                                SIGKILL},
                    OverrunCase{"chattyAndStubborn",
                                "trap '' TERM INT; echo $$ > \"$1\"; printf before;"
                                "while :; do echo noise >&2; done",
                                SIGKILL}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace moorkeep
