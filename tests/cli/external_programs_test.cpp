#include "cli_home.h"
#include "metadata/user_meta_store.h"
#include "support/records.h"
#include "support/test_agent.h"

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace moorkeep::test {
namespace {

const std::string secret = "agent secret";

// Key name to inAgent, from `key list --json`.
std::map<std::string, bool> inAgent(const CliHome& home) {
    std::map<std::string, bool> held;
    for (const auto& key : decoded<nlohmann::json>(home.run({"key", "list", "--json"})))
        held[key.at("name").get<std::string>()] = key.at("inAgent").get<bool>();
    return held;
}

// A home with an open and a protected key, and an agent of the test's own.
TEST(AgentCommandsTest, AddsAndRemovesKeysAndListsThemOrSaysThereIsNoAgent) {
    CliHome home;
    const TempDir runtime;
    const ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", runtime.path());
    const TestAgent agent(runtime.path());
    ASSERT_TRUE(agent.ready()) << "ssh-agent did not start";
    const ScopedEnv socket("SSH_AUTH_SOCK", agent.socket());
    home.makeKey("open");
    home.makeKey("locked", secret);
    EXPECT_EQ(inAgent(home), (std::map<std::string, bool>{{"locked", false}, {"open", false}}));
    home.change({"key", "agent-add", "open"});
    // Asked without echo on the terminal, like key passwd.
    auto asked = home.runOnTerminal({"key", "agent-add", "locked", "--lifetime", "3600"},
                                    {{"Passphrase of locked: ", secret + "\n"}});
    EXPECT_EQ(asked.status, 0) << asked.out;
    EXPECT_THAT(asked.out, testing::Not(HasSubstr(secret)));
    EXPECT_EQ(inAgent(home), (std::map<std::string, bool>{{"locked", true}, {"open", true}}));
    home.change({"key", "agent-remove", "open"});
    EXPECT_EQ(inAgent(home), (std::map<std::string, bool>{{"locked", true}, {"open", false}}));

    home.refused({"key", "agent-add", "locked", "--stdin"}, 1,
                 "moorkeepctl: The passphrase of ~/.ssh/locked is not right.\n", "not it\n");
    home.refused({"key", "agent-add", "open", "--lifetime", "1h"}, 2, "");

    ScopedEnv noSocket("SSH_AUTH_SOCK", std::nullopt);
    for (const std::string command : {"agent-add", "agent-remove"})
        home.refused({"key", command, "open"}, 1,
                     "moorkeepctl: No ssh-agent is running (SSH_AUTH_SOCK is not set)\n");
    auto table = home.run({"key", "list"});
    EXPECT_EQ(table.status, 0);
    EXPECT_THAT(table.out, HasSubstr("no          -      0      ~/.ssh/open"));
    EXPECT_THAT(table.err, HasSubstr("No ssh-agent is running"));
}

// A host whose alias a shell would take apart and run.
const std::string alias = "web;x$(touch${IFS}ran)";

// host connect and key install hand their program exactly the arguments,
// through no shell: stand-ins for ssh and ssh-copy-id on PATH record theirs,
// one per line.
using ConnectCommandsTest = CliTest;

TEST_F(ConnectCommandsTest, RunTheProgramWithExactArgumentsOrFailWithItsName) {
    home.writeConfig("Host " + alias + "\n    HostName 10.0.0.1\n");
    home.makeKey("id_work");
    TempDir bin;
    for (const std::string program : {"ssh", "ssh-copy-id"}) {
        writeFile(bin.file(program), "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" +
                                         bin.file(program + ".argv") + "'\nexit 7\n");
        ::chmod(bin.file(program).c_str(), 0755);
    }
    const ScopedEnv path("PATH", bin.path());
    ProcessResult connect = home.run({"host", "connect", alias});
    EXPECT_EQ(connect.status, 7) << connect.err;
    EXPECT_EQ(readFile(bin.file("ssh.argv")), alias + "\n");

    ProcessResult install = home.run({"key", "install", "id_work", alias});
    EXPECT_EQ(install.status, 7) << install.err;
    EXPECT_EQ(readFile(bin.file("ssh-copy-id.argv")),
              "-i\n" + home.sshPath("id_work.pub") + "\n" + alias + "\n");
    EXPECT_FALSE(std::filesystem::exists("ran"));
    {
        const ScopedEnv nowhere("PATH", bin.file("none"));
        home.refused({"host", "connect", alias}, 1, "ssh is not installed");
        home.refused({"key", "install", "id_work", alias}, 1, "ssh-copy-id is not installed");
    }
    std::filesystem::remove(bin.file("ssh.argv"));
    home.refused({"host", "connect", "nowhere"}, 2, "");
    EXPECT_FALSE(std::filesystem::exists(bin.file("ssh.argv")));
}

// ssh-copy-id hands a destination that begins with "-" to ssh as an option
// and reads the key's path through an eval: such a host or key is refused
// before the stand-in ssh-copy-id, or the program the option names, runs.
TEST_F(ConnectCommandsTest, KeyInstallRefusesAHostOrKeyThatSshCopyIdWouldMisread) {
    TempDir bin;
    const std::string option = "-oProxyCommand=" + bin.file("proxy");
    for (const std::string program : {"ssh-copy-id", "proxy"}) {
        writeFile(bin.file(program),
                  "#!/bin/sh\necho " + program + " >> '" + bin.file("ran") + "'\nexit 7\n");
        ::chmod(bin.file(program).c_str(), 0755);
    }
    home.writeConfig("Host " + option + "\n    HostName 10.0.0.1\nHost web\n    HostName w\n");
    UserMeta meta;
    meta.hosts = {host("as-user", "h", option, 22, {}, {}, {}, HostSource::user, "U1"),
                  host("as-name", option, "", 22, {}, {}, {}, HostSource::user, "U2")};
    UserMetaStore(home.metaPath()).save(meta);
    const std::string dollar = "k$(touch PWNED)";
    const std::string quote = "k\";touch PWNED;\"";
    for (const std::string& name : {std::string("k1"), dollar, quote})
        home.makeKey(name);
    const ScopedEnv path("PATH", bin.path());
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"k1", option}, "\"" + option + "\" to ssh as an option, because the alias begins"},
        {{"k1", "as-user"}, "because the user begins with \"-\""},
        {{"k1", "as-name"}, "because the host name begins with \"-\""},
        {{dollar, "web"}, home.sshPath(dollar) + ".pub: it would read the \"$\" as shell code"},
        {{quote, "web"}, home.sshPath(quote) + ".pub: it would read the \"\"\" as shell code"},
    };
    for (const auto& [names, reason] : cases) {
        std::vector<std::string> command{"key", "install", "--"};
        command.insert(command.end(), names.begin(), names.end());
        home.refused(command, 2, reason);
    }
    EXPECT_FALSE(std::filesystem::exists(bin.file("ran")));
}

} // namespace
} // namespace moorkeep::test
