#include "cli_home.h"
#include "config/config_parser.h"
#include "model/record_json.h"
#include "stores/user_meta_store.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace moorkeep::test {
namespace {

const std::string configText = "# Personal hosts\n"
                               "Host web\n"
                               "    HostName web.example.com\n"
                               "    User deploy\n"
                               "    Port 2222\n"
                               "    IdentityFile ~/.ssh/id_web\n"
                               "\n"
                               "Host db\n"
                               "    HostName db.internal\n"
                               "    ProxyJump web\n"
                               "    ServerAliveInterval 30\n";

class HostCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        home.writeConfig(configText);
        home.makeKey("id_web");
    }

    SSHHost hostNamed(const std::string& alias) const {
        for (const auto& host : home.snapshot().hosts)
            if (host.alias == alias)
                return host;
        ADD_FAILURE() << "no host " << alias;
        return {};
    }

    std::vector<std::string> aliases() const {
        std::vector<std::string> out;
        for (const auto& host : home.snapshot().hosts)
            out.push_back(host.alias);
        return out;
    }

    std::string keyId(const std::string& file) const {
        for (const auto& key : home.snapshot().keys)
            if (key.path == "~/.ssh/" + file)
                return key.id;
        ADD_FAILURE() << "no key " << file;
        return {};
    }

    void expectSuccess(const std::vector<std::string>& command) const {
        auto result = home.run(command);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "");
    }

    CliHome home;
};

TEST_F(HostCommandsTest, ListShowsTheConfigurationHosts) {
    auto hosts =
        nlohmann::json::parse(home.run({"host", "list", "--json"}).out).get<std::vector<SSHHost>>();
    ASSERT_EQ(hosts.size(), 2u);
    EXPECT_EQ(hosts[0], (SSHHost{ConfigParser::hostId("web"),
                                 "web",
                                 "web.example.com",
                                 "deploy",
                                 2222,
                                 keyId("id_web"),
                                 std::nullopt,
                                 {},
                                 HostSource::config}));
    EXPECT_EQ(hosts[1].proxyJump, "web");
    EXPECT_EQ(hosts[1].extraOptions, (OptionMap{{"ServerAliveInterval", "30"}}));
    EXPECT_EQ(home.run({"host", "command", "web"}).out, "ssh web\n");
}

TEST_F(HostCommandsTest, AddAppendsTheHostAsTheDialogBuildsIt) {
    expectSuccess({"host", "add", "app", "--hostname", "app.example.com", "--user", "ops", "--port",
                   "2200", "--key", "id_web", "--proxy-jump", "  web\t", "--option",
                   " ForwardAgent = yes "});
    EXPECT_EQ(home.config().rfind(configText, 0), 0u) << "the lines before are kept";
    EXPECT_NE(home.config().find("Host app\n"), std::string::npos) << home.config();
    EXPECT_EQ(aliases(), (std::vector<std::string>{"web", "db", "app"}));
    EXPECT_EQ(hostNamed("app"), (SSHHost{ConfigParser::hostId("app"), "app", "app.example.com",
                                         "ops", 2200, keyId("id_web"), "web",
                                         OptionMap{{"ForwardAgent", "yes"}}, HostSource::config}));
}

TEST_F(HostCommandsTest, AddKeepsTheUserAsTyped) {
    expectSuccess({"host", "add", "app", "--hostname", "app.example.com", "--user", "ops "});
    // The host dialog takes the user untrimmed.
    EXPECT_NE(home.config().find(" ops \n"), std::string::npos) << home.config();
}

TEST_F(HostCommandsTest, EditChangesOnlyWhatIsGiven) {
    SSHHost expected = hostNamed("db");
    expectSuccess({"host", "edit", "db", "--user", "admin"});
    expected.user = "admin";
    EXPECT_EQ(hostNamed("db"), expected);
    EXPECT_EQ(home.config().rfind(configText.substr(0, configText.find("Host db")), 0), 0u)
        << "the web block is untouched:\n"
        << home.config();
}

TEST_F(HostCommandsTest, EditWithANewAliasRenamesTheBlockInPlace) {
    expectSuccess({"host", "edit", "web", "--alias", "www", "--port", "2022"});
    EXPECT_EQ(aliases(), (std::vector<std::string>{"www", "db"}));
    SSHHost www = hostNamed("www");
    EXPECT_EQ(www.hostname, "web.example.com");
    EXPECT_EQ(www.port, 2022);
    EXPECT_EQ(www.keyId, keyId("id_web"));
    EXPECT_EQ(home.config().rfind("# Personal hosts\nHost www\n", 0), 0u) << home.config();
    EXPECT_NE(home.config().find(configText.substr(configText.find("Host db"))), std::string::npos);
}

TEST_F(HostCommandsTest, EditClearsKeyJumpHostAndOptions) {
    expectSuccess({"host", "edit", "web", "--no-key"});
    expectSuccess({"host", "edit", "db", "--no-proxy-jump", "--unset-option", "serveraliveinterval",
                   "--option", "Compression=yes"});
    EXPECT_EQ(hostNamed("web").keyId, std::nullopt);
    EXPECT_EQ(home.config().find("IdentityFile"), std::string::npos) << home.config();
    SSHHost db = hostNamed("db");
    EXPECT_EQ(db.proxyJump, std::nullopt);
    EXPECT_EQ(db.extraOptions, (OptionMap{{"Compression", "yes"}}));
}

TEST_F(HostCommandsTest, AnOptionOfAnotherSpellingIsReplacedNotDoubled) {
    expectSuccess({"host", "edit", "db", "--option", "serveraliveinterval=60"});
    EXPECT_EQ(hostNamed("db").extraOptions, (OptionMap{{"serveraliveinterval", "60"}}));
    std::string config = home.config();
    std::transform(config.begin(), config.end(), config.begin(), ::tolower);
    EXPECT_EQ(config.find("serveraliveinterval"), config.rfind("serveraliveinterval")) << config;
}

TEST_F(HostCommandsTest, RemoveDeletesOnlyThatBlock) {
    expectSuccess({"host", "rm", "web"});
    EXPECT_EQ(aliases(), (std::vector<std::string>{"db"}));
    EXPECT_EQ(home.config().find("web.example.com"), std::string::npos) << home.config();
    EXPECT_NE(home.config().find(configText.substr(configText.find("Host db"))), std::string::npos);
}

TEST_F(HostCommandsTest, AnAliasIsFoundBeforeAnId) {
    // A host whose alias is the id of another host.
    const std::string webId = ConfigParser::hostId("web");
    home.writeConfig(configText + "\nHost " + webId + "\n    HostName other\n");
    auto shown =
        nlohmann::json::parse(home.run({"host", "show", webId, "--json"}).out).get<SSHHost>();
    EXPECT_EQ(shown.hostname, "other");
    auto byId = home.run({"host", "show", ConfigParser::hostId("db"), "--json"});
    EXPECT_EQ(nlohmann::json::parse(byId.out).get<SSHHost>().alias, "db");
}

// Hosts kept in the metadata file (source user) are changed and deleted as
// the application does it.
class StoredHostTest : public HostCommandsTest {
protected:
    void SetUp() override {
        HostCommandsTest::SetUp();
        UserMeta meta;
        meta.hosts.push_back({"3F2504E0-4F89-11D3-9A0C-0305E82C3301", "legacy",
                              "legacy.example.com", "me", 2200, std::nullopt, std::nullopt,
                              OptionMap{}, HostSource::user});
        UserMetaStore(home.metaPath()).save(meta);
    }
};

TEST_F(StoredHostTest, IsListedAfterTheConfigurationHosts) {
    EXPECT_EQ(aliases(), (std::vector<std::string>{"web", "db", "legacy"}));
    EXPECT_EQ(hostNamed("legacy").source, HostSource::user);
    EXPECT_EQ(home.run({"host", "command", "legacy"}).out, "ssh me@legacy.example.com -p 2200\n");
}

TEST_F(StoredHostTest, RemoveTakesItOutOfTheMetadataFile) {
    expectSuccess({"host", "rm", "legacy"});
    EXPECT_EQ(aliases(), (std::vector<std::string>{"web", "db"}));
    EXPECT_TRUE(UserMetaStore(home.metaPath()).load().hosts.empty());
    EXPECT_EQ(home.config(), configText);
}

TEST_F(StoredHostTest, EditWritesItIntoTheConfiguration) {
    expectSuccess({"host", "edit", "legacy", "--port", "2201"});
    EXPECT_TRUE(UserMetaStore(home.metaPath()).load().hosts.empty());
    EXPECT_NE(home.config().find("Host legacy"), std::string::npos) << home.config();
    SSHHost legacy = hostNamed("legacy");
    EXPECT_EQ(legacy.source, HostSource::config);
    EXPECT_EQ(legacy.port, 2201);
    EXPECT_EQ(legacy.user, "me");
}

// A failing store operation: exit status 1, its message on standard error,
// nothing changed.
TEST_F(HostCommandsTest, AFailedSaveExitsWithOneAndTheMessage) {
    std::filesystem::remove(home.configPath());
    std::filesystem::create_directory(home.configPath());
    auto result = home.run({"host", "add", "app", "--hostname", "app.example.com"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("moorkeepctl: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(".ssh/config"), std::string::npos) << result.err;
}

TEST_F(HostCommandsTest, ABlockTheStoreCannotEditIsLeftAlone) {
    const std::string text = "Host=web\n    HostName web.example.com\n";
    home.writeConfig(text);
    auto result = home.run({"host", "edit", "web", "--port", "2022"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot be edited here"), std::string::npos) << result.err;
    EXPECT_EQ(home.config(), text);
}

TEST_F(HostCommandsTest, ALineBreakInAValueIsRefusedByTheStore) {
    auto result = home.run({"host", "add", "app", "--hostname", "app\nHost evil"});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(home.config(), configText);
}

} // namespace
} // namespace moorkeep::test
