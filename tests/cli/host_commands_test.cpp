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

TEST_F(HostCommandsTest, ShowTakesAnAliasBeforeAnId) {
    const SSHHost db = home.host("db");
    // Here the alias of a third host is the id of web.
    const std::string webId = ConfigParser::hostId("web");
    home.writeConfig(configText + "\nHost " + webId + "\n    HostName other\n");
    EXPECT_EQ(decoded<SSHHost>(home.run({"host", "show", webId, "--json"})).hostname, "other");
    EXPECT_EQ(decoded<SSHHost>(home.run({"host", "show", db.id, "--json"})), db);
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
    EXPECT_THAT(home.config(), HasSubstr("  ProxyJump web\n"));
    EXPECT_EQ(home.host("app"), (SSHHost{ConfigParser::hostId("app"), "app", "app.example.com",
                                         "ops", 2200, home.key("id_web").id, "web",
                                         OptionMap{{"ForwardAgent", "yes"}}, HostSource::config}));
}

TEST_F(HostCommandsTest, EditChangesOnlyWhatIsGivenAndRenamesTheBlockInPlace) {
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
    const std::string editedDb = config.substr(webBlock.size());
    std::transform(config.begin(), config.end(), config.begin(), ::tolower);
    EXPECT_EQ(config.find("serveraliveinterval"), config.rfind("serveraliveinterval")) << config;

    home.change({"host", "edit", "web", "--alias", "www", "--port", "2022", "--no-key"});
    EXPECT_EQ(home.config(), "# Personal hosts\n"
                             "Host www\n"
                             "    HostName web.example.com\n"
                             "    User deploy\n"
                             "    Port 2022\n"
                             "\n" +
                                 editedDb);
}

} // namespace
} // namespace moorkeep::test
