#include "cli_home.h"
#include "support/test_agent.h"

#include <filesystem>
#include <sys/stat.h>

namespace moorkeep::test {
namespace {

// A host whose alias a shell would take apart and run.
const std::string alias = "web;x$(touch${IFS}ran)";

// host connect and key install hand their program exactly the arguments,
// through no shell: stand-ins for ssh and ssh-copy-id on PATH record theirs,
// one per line.
class ConnectCommandsTest : public CliTest {
protected:
    void SetUp() override {
        home.writeConfig("Host " + alias + "\n    HostName 10.0.0.1\n");
        home.makeKey("id_work");
        for (const std::string program : {"ssh", "ssh-copy-id"}) {
            writeFile(bin.file(program), "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" +
                                             bin.file(program + ".argv") + "'\nexit 7\n");
            ::chmod(bin.file(program).c_str(), 0755);
        }
        ::mkdir(bin.file("empty").c_str(), 0755);
    }
    ProcessResult runWithPath(const std::string& folder, const std::vector<std::string>& command) {
        ScopedEnv path("PATH", folder);
        return home.run(command);
    }

    TempDir bin;
};

TEST_F(ConnectCommandsTest, RunTheProgramWithExactArgumentsOrFailWithItsName) {
    ProcessResult connect = runWithPath(bin.path(), {"host", "connect", alias});
    EXPECT_EQ(connect.status, 7) << connect.err;
    EXPECT_EQ(readFile(bin.file("ssh.argv")), alias + "\n");

    ProcessResult install = runWithPath(bin.path(), {"key", "install", "id_work", alias});
    EXPECT_EQ(install.status, 7) << install.err;
    EXPECT_EQ(readFile(bin.file("ssh-copy-id.argv")),
              "-i\n" + home.sshPath("id_work.pub") + "\n" + alias + "\n");
    EXPECT_FALSE(std::filesystem::exists("ran"));

    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"host", "connect", alias}, "ssh is not installed"},
        {{"key", "install", "id_work", alias}, "ssh-copy-id is not installed"},
    };
    for (const auto& [command, message] : cases) {
        ProcessResult result = runWithPath(bin.file("empty"), command);
        EXPECT_EQ(result.status, 1);
        EXPECT_THAT(result.err, HasSubstr(message));
    }
    std::filesystem::remove(bin.file("ssh.argv"));
    EXPECT_EQ(runWithPath(bin.path(), {"host", "connect", "nowhere"}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(bin.file("ssh.argv")));
}

} // namespace
} // namespace moorkeep::test
