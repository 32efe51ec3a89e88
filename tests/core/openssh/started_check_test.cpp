#include "files/folders.h"
#include "openssh/openssh_check.h"
#include "openssh/started_check.h"
#include "support/temp_dir.h"

#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

// An ssh -G check started before its text exists: the text reaches the real
// ssh through the FIFO as often as ssh reads its configuration, and a check
// whose ssh stops reading, or never starts, ends without hanging and
// leaves nothing behind.
namespace moorkeep::test {
namespace {

using OpenSSHCheck::StartedCheck;
using testing::HasSubstr;
using testing::Not;

constexpr auto quickly = std::chrono::seconds(4);

std::string scratchFolders() {
    std::string found;
    for (const std::string& name : entries(files::temporaryRoot()))
        if (name.starts_with(OpenSSHCheck::scratchPrefix))
            found += name + " ";
    return found;
}

// What ssh -G uses comes from the text given after the start, both when ssh
// reads it once and when a Match final block makes it read it again; a
// text ssh refuses is refused in its words, naming the FIFO it read.
TEST(StartedCheckTest, SshJudgesTheTextGivenAfterItStarted) {
    {
        StartedCheck check(OpenSSHCheck::sshPath, "web");
        const KeyToolResult result = check.finish("Host web\n  Port 2200\n  User deploy\n");
        EXPECT_EQ(result.status, 0) << result.errorOutput;
        EXPECT_THAT(result.output, HasSubstr("port 2200"));
        EXPECT_THAT(result.output, HasSubstr("user deploy"));
    }
    {
        // Only the second reading meets the final pass's block.
        StartedCheck check(OpenSSHCheck::sshPath, "web");
        const KeyToolResult result =
            check.finish("Host web\n  HostName w.example\nMatch final host w.example\n"
                         "  User late\n");
        EXPECT_EQ(result.status, 0) << result.errorOutput;
        EXPECT_THAT(result.output, HasSubstr("user late"));
    }
    {
        StartedCheck check(OpenSSHCheck::sshPath, "web");
        const std::string fifo = check.inputPath();
        const KeyToolResult result = check.finish("Host web\n  Bogus yes\n");
        EXPECT_NE(result.status, 0);
        EXPECT_THAT(result.errorOutput, HasSubstr(fifo + ": line 2: Bad configuration option"));
    }
    EXPECT_EQ(scratchFolders(), "");
}

// A text larger than any pipe, given to a program that reads a few bytes and
// ends, or to one that never opens the FIFO, or given to no one at all: each
// check ends at once, and no SIGPIPE ends the process.
TEST(StartedCheckTest, ACheckWhoseSshStopsReadingEndsAtOnce) {
    TempDir dir;
    const auto script = [&](const std::string& name, const std::string& body) {
        const std::string path = dir.file(name);
        writeFile(path, "#!/bin/sh\n" + body);
        ::chmod(path.c_str(), 0700);
        return path;
    };
    const std::string large = "Host web\n" + std::string(4u << 20, '#') + "\n";
    const auto started = std::chrono::steady_clock::now();
    {
        StartedCheck check(script("reads-little", "head -c 10 \"$3\" >/dev/null\nexit 3\n"), "web");
        EXPECT_EQ(check.finish(large).status, 3);
    }
    {
        StartedCheck check(script("never-reads", "exit 4\n"), "web");
        EXPECT_EQ(check.finish(large).status, 4);
    }
    {
        // Never given its text, ssh reads an empty configuration.
        StartedCheck check(OpenSSHCheck::sshPath, "web");
        EXPECT_TRUE(check.fresh());
    }
    {
        StartedCheck check(dir.file("no-such-ssh"), "web");
        const KeyToolResult result = check.finish(large);
        EXPECT_EQ(result.status, -1);
        EXPECT_THAT(result.errorOutput, HasSubstr("no-such-ssh"));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, quickly);
    EXPECT_EQ(scratchFolders(), "");
}

// A destination ssh would refuse on its command line is checked as the name
// no host block reaches, as a check started when the text is ready does.
TEST(StartedCheckTest, ADestinationSshWouldRefuseIsCheckedAsAnyHost) {
    StartedCheck check(OpenSSHCheck::sshPath, "-oProxyCommand=x");
    const KeyToolResult result = check.finish("Host *\n  User everyone\n");
    EXPECT_EQ(result.status, 0) << result.errorOutput;
    EXPECT_THAT(result.output, HasSubstr(std::string("host ") + OpenSSHCheck::anyHost));
    EXPECT_THAT(result.output, Not(HasSubstr("proxycommand x")));
}

} // namespace
} // namespace moorkeep::test
