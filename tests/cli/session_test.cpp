#include "cli_home.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace moorkeep::test {
namespace {

// A whole working session from the terminal, as a user would type it, with
// the files checked along the way.
class ScriptedSessionTest : public testing::Test {
protected:
    void step(const std::vector<std::string>& command, int status = 0,
              const std::string& input = "") {
        auto result = home.run(command, input);
        ASSERT_EQ(result.status, status) << command[0] << " " << command[1] << "\n" << result.err;
    }

    const SSHHost* hostNamed(const VaultData& data, const std::string& alias) {
        for (const auto& host : data.hosts)
            if (host.alias == alias)
                return &host;
        return nullptr;
    }

    const SSHKey* keyNamed(const VaultData& data, const std::string& name) {
        for (const auto& key : data.keys)
            if (key.name == name)
                return &key;
        return nullptr;
    }

    CliHome home;
};

TEST_F(ScriptedSessionTest, AddEditRenameGenerateProtectAndRemove) {
    home.makeKey("id_work");
    step({"host", "add", "web", "--hostname", "web.example.com", "--user", "deploy", "--key",
          "id_work"});
    step({"host", "edit", "web", "--alias", "www", "--port", "2222", "--option",
          "ForwardAgent=yes"});
    step({"key", "rename", "id_work", "Work"});

    VaultData data = home.snapshot();
    ASSERT_NE(hostNamed(data, "www"), nullptr);
    EXPECT_EQ(hostNamed(data, "web"), nullptr);
    ASSERT_NE(keyNamed(data, "Work"), nullptr);
    EXPECT_EQ(hostNamed(data, "www")->keyId, keyNamed(data, "Work")->id);
    EXPECT_EQ(hostNamed(data, "www")->extraOptions, (OptionMap{{"ForwardAgent", "yes"}}));

    step({"key", "rm", "Work"}, 2); // www uses it
    step({"key", "gen", "deploy_key", "--comment", "ops@example.com", "--display-name", "Deploy",
          "--passphrase-stdin"},
         0, "first secret\n");
    EXPECT_TRUE(home.keyOpensWith("deploy_key", "first secret"));
    step({"key", "passwd", "Deploy", "--stdin"}, 0, "first secret\nsecond secret\n");
    EXPECT_TRUE(home.keyOpensWith("deploy_key", "second secret"));

    step({"host", "edit", "www", "--key", "Deploy"});
    step({"key", "rm", "Work"});
    EXPECT_FALSE(std::filesystem::exists(home.sshPath("id_work")));
    EXPECT_NE(home.config().find("IdentityFile ~/.ssh/deploy_key"), std::string::npos)
        << home.config();

    step({"host", "rm", "www"});
    step({"key", "rm", "Deploy"});
    data = home.snapshot();
    EXPECT_TRUE(data.hosts.empty());
    EXPECT_TRUE(data.keys.empty());
    EXPECT_EQ(home.config().find("Host "), std::string::npos) << home.config();
    EXPECT_FALSE(std::filesystem::exists(home.sshPath("deploy_key.pub")));
}

} // namespace
} // namespace moorkeep::test
