#include "cli_home.h"

#include <filesystem>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;

const std::string configText = "# managed by hand\n"
                               "Host *\n"
                               "\tServerAliveInterval 30\n"
                               "\n"
                               "Host db\n"
                               "  HostName db.internal   # the database\n";

// A whole working session from the terminal, as a user would type it, with
// the files checked along the way.
TEST(ScriptedSessionTest, AddEditRenameGenerateProtectAndRemove) {
    CliHome home;
    home.writeConfig(configText);
    home.makeKey("id_work");
    home.change({"host", "add", "web", "--hostname", "web.example.com", "--user", "deploy", "--key",
                 "id_work"});
    // The bytes the application writes for the same changes.
    home.change({"host", "edit", "web", "--alias", "www", "--port", "2222", "--option",
                 "ForwardAgent=yes"});
    // Host * applies to the new host too: its block goes first, so that
    // OpenSSH reads its values.
    EXPECT_EQ(home.config(), "Host www\n"
                             "  HostName web.example.com\n"
                             "  User deploy\n"
                             "  IdentityFile ~/.ssh/id_work\n"
                             "  Port 2222\n"
                             "  ForwardAgent yes\n"
                             "\n" +
                                 configText);
    home.change({"key", "rename", "id_work", "  Work \n"});
    SSHKey work = home.key("id_work");
    EXPECT_EQ(work.name, "Work");
    EXPECT_EQ(home.host("www").keyId, work.id);

    home.refused({"key", "rm", "Work"}, 2, "used by www");
    EXPECT_TRUE(fs::exists(home.sshPath("id_work")));

    home.change({"key", "gen", "deploy_key", "--comment", " ops@example.com ", "--display-name",
                 "  Deploy\n", "--passphrase-stdin"},
                "first secret\n");
    EXPECT_TRUE(home.keyOpensWith("deploy_key", "first secret"));
    EXPECT_FALSE(home.keyOpensWith("deploy_key", ""));
    EXPECT_EQ(home.key("deploy_key").name, "Deploy");
    const std::string pub = readFile(home.sshPath("deploy_key.pub"));
    EXPECT_EQ(pub.substr(pub.find(' ', pub.find(' ') + 1)), " ops@example.com\n");
    home.change({"key", "passwd", "Deploy", "--stdin"}, "first secret\nsecond secret\n");
    EXPECT_TRUE(home.keyOpensWith("deploy_key", "second secret"));

    home.change({"host", "edit", "www", "--key", "Deploy"});
    home.change({"key", "rm", "Work"});
    EXPECT_FALSE(fs::exists(home.sshPath("id_work")));
    EXPECT_FALSE(fs::exists(home.sshPath("id_work.pub")));
    EXPECT_THAT(home.config(), HasSubstr("IdentityFile ~/.ssh/deploy_key"));

    home.change({"key", "rm", "Deploy", "--force"});
    home.change({"host", "rm", "www"});
    EXPECT_FALSE(fs::exists(home.sshPath("deploy_key")));
    // The blank line that set the new block apart stays, as after any
    // block deleted from the top of a file.
    EXPECT_EQ(home.config(), "\n" + configText);
}

} // namespace
} // namespace moorkeep::test
