#include "config/ssh_command.h"
#include "keys/key_tool.h"
#include "support/records.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace moorkeep {
namespace {

using test::host;
using Words = std::vector<std::string>;

// The copied command and the argument list a terminal runs are one command:
// a shell given the copied text hands a stand-in ssh exactly the list.
TEST(ConnectionArgumentsTest, ArePreciselyWhatTheCopiedCommandRuns) {
    test::TempDir dir;
    test::writeFile(dir.file("bin/ssh"),
                    "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done\n");
    ::chmod(dir.file("bin/ssh").c_str(), 0755);
    const auto user = HostSource::user;
    const std::pair<SSHHost, Words> cases[] = {
        {host("web"), {"ssh", "web"}},
        {host("!old web* my web"), {"ssh", "my"}},
        {host("-oProxyCommand=x"), {"ssh", "--", "-oProxyCommand=x"}},
        {host("h", "db 1", "o'brien", 2222, {}, {}, {}, user),
         {"ssh", "o'brien@db 1", "-p", "2222"}},
        {host("h", "db1", "-u", 2222, {}, {}, {}, user), {"ssh", "-p", "2222", "--", "-u@db1"}},
    };
    for (const auto& [target, expected] : cases) {
        const Words arguments = SSHCommand::arguments(target);
        EXPECT_EQ(arguments, expected);
        std::string recorded;
        for (std::size_t i = 1; i < arguments.size(); ++i)
            recorded += arguments[i] + "|";
        const KeyToolResult run = runKeyTool("/bin/sh", {"-c", SSHCommand::build(target)}, 10,
                                             {{{"PATH", dir.file("bin")}}});
        EXPECT_EQ(run.output, recorded) << SSHCommand::build(target);
    }
}

// ssh-copy-id reads options only before the destination, so the port comes
// first there.
TEST(ConnectionArgumentsTest, InstallingAKeyReachesTheHostAsSshDoes) {
    const auto user = HostSource::user;
    const std::string pub = "/home/a b/.ssh/id one.pub";
    EXPECT_EQ(SSHCommand::copyIdArguments(host("my web"), pub),
              (Words{"ssh-copy-id", "-i", pub, "my"}));
    EXPECT_EQ(SSHCommand::copyIdArguments(host("h", "db1", "deploy", 2222, {}, {}, {}, user), pub),
              (Words{"ssh-copy-id", "-i", pub, "-p", "2222", "deploy@db1"}));
    EXPECT_EQ(SSHCommand::copyIdArguments(host("-x"), pub),
              (Words{"ssh-copy-id", "-i", pub, "--", "-x"}));
}

} // namespace
} // namespace moorkeep
