#include "cli_home.h"
#include "support/ssh_view.h"

#include <gtest/gtest.h>

// OpenSSH takes the first value it meets: every change either reaches what
// `ssh -G` uses or is refused, naming the line that wins, with the file as
// it was.
namespace moorkeep::test {
namespace {

class EffectiveWritesTest : public ::testing::Test {
protected:
    std::string ssh(const std::string& host, const std::string& keyword) {
        const SshView view = sshView(home.configPath(), host, home.home());
        const auto found = view.find(keyword);
        return found == view.end() ? "" : found->second.front();
    }
    void write(const std::string& text) { writeFile(home.configPath(), text); }
    std::string config() { return readFile(home.configPath()); }

    CliHome home;
};

TEST_F(EffectiveWritesTest, ANewHostGoesBeforeTheFirstBlockThatAppliesToIt) {
    const std::string before = "Host web\n  HostName w\n\n# for all\nHost *\n  User admin\n"
                               "  Port 2222\n";
    write(before);
    ASSERT_EQ(
        home.run({"host", "add", "db", "--hostname", "db.example", "--user", "bob", "--port", "22"})
            .status,
        0);
    EXPECT_EQ(config(), "Host web\n  HostName w\n\nHost db\n  HostName db.example\n  User bob\n"
                        "  Port 22\n\n# for all\nHost *\n  User admin\n  Port 2222\n");
    EXPECT_EQ(ssh("db", "user"), "bob");
    EXPECT_EQ(ssh("db", "port"), "22");
    EXPECT_EQ(ssh("web", "user"), "admin");
}

TEST_F(EffectiveWritesTest, AnEditThatAnEarlierBlockOverridesIsRefusedUntilTheBlockMoves) {
    write("Host *\n  User admin\n\nHost web\n  User bob\n");
    const std::string before = config();
    const auto refused = home.run({"host", "edit", "web", "--user", "carol"});
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("User carol would be ignored: OpenSSH takes User admin from "
                               "~/.ssh/config line 2 (Host *)"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(config(), before);

    ASSERT_EQ(home.run({"host", "move", "web", "--before-line", "~/.ssh/config:1"}).status, 0);
    EXPECT_EQ(config(), "Host web\n  User bob\n\nHost *\n  User admin\n");
    EXPECT_EQ(ssh("web", "user"), "bob");
    ASSERT_EQ(home.run({"host", "edit", "web", "--user", "carol"}).status, 0);
    EXPECT_EQ(ssh("web", "user"), "carol");
    EXPECT_EQ(home.run({"host", "move", "web", "--before-line", "~/.ssh/config:2"}).status, 1);
}

TEST_F(EffectiveWritesTest, AnAliasAnEarlierHostLineNamesIsADuplicate) {
    for (const std::string header : {"Host web # c", "Host \"web\"", "Host web1 web", "Host=web"}) {
        write(header + "\n  User x\n");
        const auto result = home.run({"host", "add", "web", "--hostname", "h"});
        EXPECT_NE(result.status, 0) << header;
        EXPECT_NE(result.err.find("~/.ssh/config line 1"), std::string::npos)
            << header << result.err;
        EXPECT_EQ(config(), header + "\n  User x\n");
    }
    for (const std::string header : {"Host we*", "Match all"}) {
        write(header + "\n  User x\n");
        ASSERT_EQ(home.run({"host", "add", "web", "--hostname", "h", "--user", "bob"}).status, 0)
            << header;
        EXPECT_EQ(ssh("web", "user"), "bob") << header;
    }
}

TEST_F(EffectiveWritesTest, KeysOfferedThroughAnySpellingAreInUse) {
    home.makeKey("k");
    for (const std::string text :
         {"Host web\n  IdentityFile ~/.ssh/other\n  IdentityFile ~/.ssh/k\n",
          "Host web\n  User u\nHost *\n  IdentityFile \"~/.ssh/k\"\n",
          "Host web\n  IdentityFile %d/.ssh/k\n"}) {
        write(text);
        const auto result = home.run({"key", "rm", "k"});
        EXPECT_NE(result.status, 0) << text;
        EXPECT_NE(result.err.find("is used by web"), std::string::npos) << text << result.err;
    }
}

TEST_F(EffectiveWritesTest, ShowEffectiveAgreesWithSshForAnyName) {
    write("Host * !bastion\n  User admin # note\nHost gw\n  User bob\n  Port 2200\n"
          "Match exec \"false\"\n  Port 1\n");
    const auto shown =
        decoded<nlohmann::json>(home.run({"host", "show", "gw", "--effective", "--json"}));
    const std::string file = home.configPath();
    EXPECT_EQ(shown["alias"], "gw");
    EXPECT_EQ(shown["effective"],
              nlohmann::json::parse(R"([{"keyword":"user","value":"admin","file":")" + file +
                                    R"(","line":2},{"keyword":"port","value":"2200","file":")" +
                                    file + R"(","line":5}])"));
    EXPECT_EQ(shown["shadowed"][0]["value"], "bob");
    EXPECT_EQ(shown["shadowed"][0]["by"], (nlohmann::json{{"file", file}, {"line", 2}}));
    EXPECT_EQ(shown["unresolved"][0]["line"], 6);
    EXPECT_EQ(ssh("gw", "user"), "admin");
    const auto bastion =
        decoded<nlohmann::json>(home.run({"host", "show", "bastion", "--effective", "--json"}));
    EXPECT_TRUE(bastion["effective"].empty());
}

// A rename keeps where the host connects, and the rules of a field hold for
// every spelling of its keyword.
TEST_F(EffectiveWritesTest, RenamesKeepTheHostNameTheAliasGave) {
    for (const std::string alias : {"prod-db", "prod-db !db"}) {
        write("Host\t" + alias + "\n  User admin\n");
        ASSERT_EQ(home.run({"host", "edit", alias, "--alias", "db-new"}).status, 0) << alias;
        EXPECT_EQ(ssh("db-new", "hostname"), "prod-db") << alias;
        EXPECT_EQ(ssh("db-new", "user"), "admin") << alias;
    }
    write("Host web\n  HostName %h.corp.example\n");
    ASSERT_EQ(home.run({"host", "edit", "web", "--alias", "web2"}).status, 0);
    EXPECT_EQ(ssh("web2", "hostname"), "web.corp.example");
}

TEST_F(EffectiveWritesTest, OptionsAreJudgedByTheBlocksOwnLines) {
    write("Host *\n  Compression no\n  Hostname x\nHost web\n  compression yes\n");
    const std::string before = config();
    EXPECT_NE(home.run({"defaults", "set", "--option", "Hostname=8080 localhost:80"}).status, 0);
    EXPECT_EQ(config(), before);
    // The block's own line is what OpenSSH uses here only once it comes
    // first; removing it is a real change either way.
    ASSERT_EQ(home.run({"host", "edit", "web", "--unset-option", "Compression"}).status, 0);
    EXPECT_EQ(config(), "Host *\n  Compression no\n  Hostname x\nHost web\n");
    const auto refused = home.run({"host", "edit", "web", "--unset-option", "Compression"});
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("~/.ssh/config line 2"), std::string::npos) << refused.err;
}

TEST_F(EffectiveWritesTest, ADefaultThatAnotherBlockDecidesIsRefused) {
    const std::string text = "Host * !b\n  ProxyJump jump\n  User early\nHost *\n  Port 2000\n";
    write(text);
    for (const std::vector<std::string>& change :
         {std::vector<std::string>{"--no-proxy-jump"}, {"--user", "late"}}) {
        std::vector<std::string> command{"defaults", "set"};
        command.insert(command.end(), change.begin(), change.end());
        const auto result = home.run(command);
        EXPECT_NE(result.status, 0) << change[0];
        EXPECT_NE(result.err.find("Host * !b"), std::string::npos) << result.err;
        EXPECT_EQ(config(), text);
    }
    EXPECT_EQ(ssh("x", "proxyjump"), "jump");
}

} // namespace
} // namespace moorkeep::test
