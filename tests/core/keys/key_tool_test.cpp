#include "keys/key_tool.h"
#include "support/key_files.h"
#include "support/open_files.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

namespace moorkeep {
namespace {

using namespace std::chrono;
using test::TempDir;

KeyToolResult runShell(const std::string& script, double limit = 60.0) {
    return runKeyTool("/bin/sh", {"-c", script}, limit);
}

// Whether every process of the session is gone within ten seconds; zombies
// count as gone, since a killed child may wait a moment to be reaped.
bool sessionEndsSoon(int session) {
    return test::eventually(
        [session] {
            for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
                if (entry.path().filename().string().find_first_not_of("0123456789") !=
                    std::string::npos)
                    continue;
                std::ifstream in(entry.path() / "stat");
                std::string stat((std::istreambuf_iterator<char>(in)), {});
                std::istringstream fields(stat.substr(stat.rfind(')') + 1));
                char state = 0;
                int parent = 0, group = 0, sessionId = 0;
                if (!(fields >> state >> parent >> group >> sessionId))
                    continue;
                if (sessionId == session && state != 'Z' && state != 'X')
                    return false;
            }
            return true;
        },
        seconds(10));
}

TEST(KeyToolTest, ReportsTheExitCodeOrTheEndingSignal) {
    // Each child ends at once; a runner that waited for the limit would hang here.
    const std::pair<const char*, int> cases[] = {
        {"exit 0", 0}, {"exit 3", 3}, {"kill -USR1 $$", SIGUSR1}};
    for (const auto& [script, status] : cases)
        EXPECT_EQ(runShell(script).status, status) << script;
}

TEST(KeyToolTest, PassesArgumentsExactlyEmptyOnesIncluded) {
    KeyToolResult result = runKeyTool(
        "/bin/sh", {"-c", "for a; do printf '[%s]' \"$a\"; done", "sh", "", "two words", "*", ""},
        60.0);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "[][two words][*][]");
}

TEST(KeyToolTest, ReturnsAMebibyteOnEachStreamWhole) {
    // Error output first: a runner that read only one stream, or only after
    // the exit, would leave the child blocked on a full pipe until the limit.
    KeyToolResult result = runShell("head -c 1048576 /dev/zero | tr '\\0' e >&2;"
                                    "head -c 1048576 /dev/zero | tr '\\0' o; exit 4");
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.output, std::string(1 << 20, 'o'));
    EXPECT_EQ(result.errorOutput, std::string(1 << 20, 'e'));
}

TEST(KeyToolTest, MissingProgramIsReportedNotRun) {
    KeyToolResult result = runKeyTool("/nonexistent/ssh-keygen", {"-lf", "x"}, 60.0);
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.output, "");
    EXPECT_NE(result.errorOutput, "");
}

TEST(KeyToolTest, ChildPastTheLimitIsEndedWithAllItStarted) {
    const struct {
        const char* name;
        const char* script; // writes its pid to the file named by $1 first
        int status;
    } cases[] = {
        {"sleeper", "echo $$ > \"$1\"; printf before; sleep 30 & wait", SIGTERM},
        {"ignores TERM and INT",
         "trap '' TERM INT; echo $$ > \"$1\"; printf before; while :; do sleep 1; done", SIGKILL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string pidFile = dir.file("pid");
        constexpr double limit = 1.0;
        const auto started = steady_clock::now();
        KeyToolResult result = runKeyTool("/bin/sh", {"-c", c.script, "sh", pidFile}, limit);
        EXPECT_LT(duration<double>(steady_clock::now() - started).count(), limit + 1.5);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.output, "before");
        const int pid = std::stoi(test::readFile(pidFile));
        // Reaped by the runner (no zombie of ours), and nothing of its session lives on.
        EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
        EXPECT_TRUE(sessionEndsSoon(pid));
    }
}

TEST(KeyQueriesTest, FingerprintAndPassphraseProbeAgreeWithTheTool) {
    TempDir dir;
    test::makeKeyPair(dir.file("open"));
    test::makeKeyPair(dir.file("locked"), "ed25519", "secret");
    test::writeFile(dir.file("notes.pub"), "not a key\n");
    EXPECT_EQ(keyFingerprint(dir.file("open.pub")), test::printedFingerprint(dir.file("open.pub")));
    EXPECT_EQ(keyFingerprint(dir.file("open.pub")).rfind("SHA256:", 0), 0u);
    EXPECT_EQ(keyFingerprint(dir.file("notes.pub")), "unknown");
    EXPECT_FALSE(probeHasPassphrase(dir.file("open")));
    EXPECT_TRUE(probeHasPassphrase(dir.file("locked")));
}

} // namespace
} // namespace moorkeep
