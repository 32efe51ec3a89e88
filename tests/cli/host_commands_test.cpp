#include "cli_home.h"
#include "config/config_parser.h"

#include <algorithm>

namespace moorkeep::test {
namespace {

const std::string webBlock = "# Personal hosts\n"
                             "Host web\n"
                             "    HostName web.example.com\n"
                             "    User deploy\n"
                             "    Port 2222\n"
                             "    IdentityFile ~/.ssh/id_web\n"
                             "\n";
const std::string dbBlock = "Host db\n"
                            "    HostName db.internal\n"
                            "    ProxyJump web\n"
                            "    ServerAliveInterval 30\n";
const std::string configText = webBlock + dbBlock;

class HostCommandsTest : public CliTest {
protected:
    void SetUp() override {
        home.writeConfig(configText);
        home.makeKey("id_web");
    }
};

TEST_F(HostCommandsTest, ListShowAndCommandReadTheConfiguration) {
    auto hosts = decoded<std::vector<SSHHost>>(home.run({"host", "list", "--json"}));
    const std::string webId = ConfigParser::hostId("web");
    ASSERT_EQ(hosts.size(), 2u);
    EXPECT_EQ(hosts[0],
              (SSHHost{webId, "web", "web.example.com", "deploy", 2222, home.key("id_web").id,
                       std::nullopt, OptionMap(), HostSource::config}));
    EXPECT_EQ(hosts[1].proxyJump, "web");
    EXPECT_EQ(hosts[1].extraOptions, (OptionMap{{"ServerAliveInterval", "30"}}));
    EXPECT_EQ(home.run({"host", "command", "web"}).out, "ssh web\n");

    // HOST is an alias before it is an id: here the alias of a third host is
    // the id of web.
    home.writeConfig(configText + "\nHost " + webId + "\n    HostName other\n");
    EXPECT_EQ(decoded<SSHHost>(home.run({"host", "show", webId, "--json"})).hostname, "other");
    EXPECT_EQ(decoded<SSHHost>(home.run({"host", "show", ConfigParser::hostId("db"), "--json"})),
              hosts[1]);
}

TEST_F(HostCommandsTest, AddAppendsTheHostAsTheDialogBuildsIt) {
    // The user is taken as typed, so a space in it is refused: OpenSSH
    // takes a user as one word.
    home.refused({"host", "add", "app", "--hostname", "h", "--user", "ops "}, 2, "");
    home.change({"host", "add", "app", "--hostname", "app.example.com", "--user", "ops", "--port",
                 "2200", "--key", "id_web", "--proxy-jump", "  web\t", "--option",
                 " ForwardAgent = yes "});
    EXPECT_EQ(home.config().rfind(configText, 0), 0u) << "the lines before are kept";
    // The jump host is trimmed.
    EXPECT_THAT(home.config(), HasSubstr("Host app\n"));
    EXPECT_THAT(home.config(), HasSubstr("  ProxyJump web\n"));
    EXPECT_EQ(home.host("app"), (SSHHost{ConfigParser::hostId("app"), "app", "app.example.com",
                                         "ops", 2200, home.key("id_web").id, "web",
                                         OptionMap{{"ForwardAgent", "yes"}}, HostSource::config}));
    EXPECT_EQ(home.aliases(), (std::vector<std::string>{"web", "db", "app"}));
}

TEST_F(HostCommandsTest, EditWithANewAliasRenamesTheBlockInPlace) {
    home.change({"host", "edit", "web", "--alias", "www", "--port", "2022", "--no-key"});
    EXPECT_EQ(home.aliases(), (std::vector<std::string>{"www", "db"}));
    SSHHost www = home.host("www");
    EXPECT_EQ(www.hostname, "web.example.com");
    EXPECT_EQ(www.port, 2022);
    EXPECT_EQ(www.keyId, std::nullopt);
    EXPECT_THAT(home.config(), testing::StartsWith("# Personal hosts\nHost www\n"));
    EXPECT_THAT(home.config(), testing::Not(HasSubstr("IdentityFile")));
    EXPECT_THAT(home.config(), HasSubstr(dbBlock));
}

TEST_F(HostCommandsTest, EditChangesOnlyWhatIsGiven) {
    SSHHost expected = home.host("db");
    home.change({"host", "edit", "db", "--user", "admin", "--no-proxy-jump", "--option",
                 "serveraliveinterval=60", "--option", "Compression=yes"});
    expected.user = "admin";
    expected.proxyJump.reset();
    // An option of another spelling replaces the old one.
    expected.extraOptions = {{"serveraliveinterval", "60"}, {"Compression", "yes"}};
    EXPECT_EQ(home.host("db"), expected);
    std::string config = home.config();
    EXPECT_EQ(config.rfind(webBlock, 0), 0u) << config;
    std::transform(config.begin(), config.end(), config.begin(), ::tolower);
    EXPECT_EQ(config.find("serveraliveinterval"), config.rfind("serveraliveinterval")) << config;
}

} // namespace
} // namespace moorkeep::test
