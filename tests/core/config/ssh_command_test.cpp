#include "config/ssh_command.h"
#include "keys/key_tool.h"
#include "support/records.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace moorkeep::test {
namespace {

using Words = std::vector<std::string>;
constexpr HostSource user = HostSource::user;

// A host of the configuration is reached by its alias, one added here by
// its user, host name and port. Whatever they hold, the copied command is
// the argument list: a shell given the text hands a stand-in ssh exactly
// the arguments, and runs nothing else.
TEST(SSHCommandTest, TheCopiedCommandRunsExactlyTheArgumentsAndCopyIdReachesTheSameHost) {
    TempDir dir;
    const std::string marker = dir.file("ran");
    writeFile(dir.file("bin/ssh"), "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done\n");
    ::chmod(dir.file("bin/ssh").c_str(), 0755);
    const std::string touch = "touch${IFS}" + marker;
    const std::pair<SSHHost, Words> cases[] = {
        {host("web", "10.0.0.5", "deploy", 2222, "k", "j", {{"A", "1"}}), {"web"}},
        {host("web db"), {"web"}},
        {host("!old web* my web"), {"my"}},
        {host("x;" + touch), {"x;" + touch}},
        {host("$(" + touch + ")"), {"$(" + touch + ")"}},
        {host("`" + touch + "`"), {"`" + touch + "`"}},
        {host("-oProxyCommand=" + touch), {"--", "-oProxyCommand=" + touch}},
        {host("db", "db1", "deploy", 22, {}, {}, {}, user), {"deploy@db1"}},
        {host("db", "db1", "deploy", 2222, "k", "j", {}, user), {"deploy@db1", "-p", "2222"}},
        {host("db", "db1", "", 22, {}, {}, {}, user), {"db1"}},
        {host("h", "db 1", "o'brien", 2222, {}, {}, {}, user), {"o'brien@db 1", "-p", "2222"}},
        {host("h", "h", "-oProxyCommand=" + touch, 2222, {}, {}, {}, user),
         {"-p", "2222", "--", "-oProxyCommand=" + touch + "@h"}},
    };
    for (const auto& [target, arguments] : cases) {
        Words expected{"ssh"};
        std::string recorded;
        for (const std::string& argument : arguments) {
            expected.push_back(argument);
            recorded += argument + "|";
        }
        EXPECT_EQ(SSHCommand::arguments(target), expected);
        const std::string command = SSHCommand::build(target);
        const KeyToolResult run =
            runKeyTool("/bin/sh", {"-c", command}, 10, {{{"PATH", dir.file("bin")}}});
        EXPECT_EQ(run.output, recorded) << command << run.errorOutput;
        EXPECT_FALSE(std::filesystem::exists(marker)) << command;
    }
    // Only what a shell would read otherwise is quoted.
    EXPECT_EQ(SSHCommand::build(cases[0].first), "ssh web");
    EXPECT_EQ(SSHCommand::build(cases[8].first), "ssh deploy@db1 -p 2222");
    EXPECT_EQ(SSHCommand::build(host("h", "it's", "", 22, {}, {}, {}, user)), "ssh 'it'\\''s'");
    EXPECT_EQ(SSHCommand::build(host("db", "", "", 0, {}, {}, {}, user)), "ssh  -p 0");

    // Installing a key reaches the host as ssh does. ssh-copy-id reads
    // options only before the destination, so the port comes first there.
    const std::string pub = "/home/a b/.ssh/id one.pub";
    EXPECT_EQ(SSHCommand::copyIdArguments(host("my web"), pub),
              (Words{"ssh-copy-id", "-i", pub, "my"}));
    EXPECT_EQ(SSHCommand::copyIdArguments(host("h", "db1", "deploy", 2222, {}, {}, {}, user), pub),
              (Words{"ssh-copy-id", "-i", pub, "-p", "2222", "deploy@db1"}));
    EXPECT_EQ(SSHCommand::copyIdArguments(host("-x"), pub),
              (Words{"ssh-copy-id", "-i", pub, "--", "-x"}));
}

} // namespace
} // namespace moorkeep::test
