#include "keys/key_tool.h"
#include "openssh/ssh_command.h"
#include "support/records.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

// The ssh command line of a host.
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
}

// ssh-copy-id hands its destination to ssh with no "--" and reads the key's
// path through an eval. What it would misread is refused; the real
// ssh-copy-id, given the rest, reaches a stand-in ssh with exactly the
// host (options before it, as it reads options only there) and the key.
TEST(SSHCommandTest, CopyIdRefusesWhatItWouldMisreadAndReachesTheRestAsGiven) {
    TempDir dir;
    const std::string marker = dir.file("PWNED");
    writeFile(dir.file("bin/ssh"), "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done >> '" +
                                       dir.file("ssh.log") + "'\necho >> '" + dir.file("ssh.log") +
                                       "'\n");
    ::chmod(dir.file("bin/ssh").c_str(), 0755);
    const std::string touch = "touch${IFS}" + marker;
    const std::string ssh = dir.file(".ssh/");
    const std::tuple<SSHHost, std::string, Words> taken[] = {
        {host("my web"), "id one", {"my"}},
        {host("x;$(" + touch + ")"), "it's (old) #1 ~é", {"x;$(" + touch + ")"}},
        {host("h", "db 1", "o'brien", 2222, {}, {}, {}, user),
         " k ",
         {"-p", "2222", "o'brien@db 1"}},
        {host("h", "-db", "deploy", 22, {}, {}, {}, user), "k", {"deploy@-db"}},
    };
    for (const auto& [target, name, rest] : taken) {
        const std::string pub = ssh + name + ".pub";
        writeFile(ssh + name, "private\n");
        writeFile(pub, "ssh-ed25519 AAAA " + name + "\n");
        Words expected{"ssh-copy-id", "-i", pub};
        expected.insert(expected.end(), rest.begin(), rest.end());
        ASSERT_EQ(SSHCommand::copyIdRefusal(target, pub), std::nullopt) << pub;
        const Words arguments = SSHCommand::copyIdArguments(target, pub);
        EXPECT_EQ(arguments, expected);
        std::filesystem::remove(dir.file("ssh.log"));
        const KeyToolResult run =
            runKeyTool("/usr/bin/ssh-copy-id", Words(arguments.begin() + 1, arguments.end()), 10,
                       {{{"PATH", dir.file("bin") + ":/usr/bin:/bin"},
                         {"HOME", dir.path()},
                         {"SSH_AUTH_SOCK", ""}}});
        // Logging in with the key is the last ssh run, there only when the
        // key was read.
        std::string tail;
        for (const std::string& argument : rest)
            tail += argument + "|";
        EXPECT_THAT(readFile(dir.file("ssh.log")),
                    testing::HasSubstr("-i|" + ssh + name + "|-o|ControlPath=none|"))
            << run.errorOutput;
        EXPECT_THAT(readFile(dir.file("ssh.log")), testing::EndsWith("|" + tail + "exit|\n"));
        EXPECT_FALSE(std::filesystem::exists(marker)) << pub;
    }

    const std::string pub = ssh + "k.pub";
    const std::pair<SSHHost, std::string> hosts[] = {
        {host("-oProxyCommand=" + touch),
         "\"-oProxyCommand=" + touch + "\"" + " to ssh as an option, because the alias begins"},
        {host("!old -oProxyCommand=x web"), "\"-oProxyCommand=x\""},
        {host("h", "h", "-oProxyCommand=x", 2222, {}, {}, {}, user), "the user begins"},
        {host("h", "-oProxyCommand=x", "", 22, {}, {}, {}, user), "the host name begins"},
    };
    for (const auto& [target, reason] : hosts) {
        EXPECT_THAT(SSHCommand::copyIdRefusal(target, pub).value_or(""),
                    testing::HasSubstr(reason));
        EXPECT_THROW(SSHCommand::copyIdArguments(target, pub), std::invalid_argument);
    }
    const std::pair<std::string, std::string> paths[] = {
        {"k$(touch PWNED)", "\"$\" as shell code"}, {"k\";touch PWNED;\"", "\"\"\" as shell code"},
        {"k`touch PWNED`", "\"`\" as shell code"},  {"k\\n", "\"\\\" as shell code"},
        {"k*", "\"*\" as a file name pattern"},     {"k?", "\"?\" as a file name pattern"},
        {"k[12]", "\"[\" as a file name pattern"},  {"a\tb", "tab as a space"},
        {"a\nb", "line break as a space"},          {"a  b", "two spaces in a row as one"},
    };
    for (const auto& [name, reason] : paths) {
        const std::string path = ssh + name + ".pub";
        EXPECT_EQ(SSHCommand::copyIdRefusal(host("web"), path),
                  "ssh-copy-id would misread the key's path " + path + ": it would read the " +
                      reason + ". Rename the key's files to install it. Nothing was run.");
        EXPECT_THROW(SSHCommand::copyIdArguments(host("web"), path), std::invalid_argument);
    }
}

} // namespace
} // namespace moorkeep::test
