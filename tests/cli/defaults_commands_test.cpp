#include "cli_home.h"
#include "model/record_json.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace moorkeep::test {
namespace {

const std::string webBlock = "Host web\n"
                             "    HostName web.example.com\n";
const std::string configText = "Host *\n"
                               "    User everyone\n"
                               "    ServerAliveInterval 30\n"
                               "\n" +
                               webBlock;

class DefaultsCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        home.writeConfig(configText);
        home.makeKey("id_web");
    }

    std::string webKeyId() const { return home.snapshot().keys.at(0).id; }

    void expectSuccess(const std::vector<std::string>& command) const {
        auto result = home.run(command);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
    }

    CliHome home;
};

TEST_F(DefaultsCommandsTest, ShowReadsTheHostStarBlock) {
    auto defaults =
        nlohmann::json::parse(home.run({"defaults", "show", "--json"}).out).get<Defaults>();
    EXPECT_EQ(defaults, (Defaults{"everyone", 22, "", std::nullopt,
                                  OptionMap{{"ServerAliveInterval", "30"}}, home.configPath()}));
}

TEST_F(DefaultsCommandsTest, SetChangesOnlyWhatIsGiven) {
    expectSuccess({"defaults", "set", "--user", "\t admin ", "--port", "2200", "--key", "id_web",
                   "--proxy-jump", " jump ", "--option", "Compression=yes", "--unset-option",
                   "serveraliveinterval"});
    VaultData data = home.snapshot();
    // Trimmed as the defaults dialog trims them.
    EXPECT_EQ(data.defaults, (Defaults{"admin", 2200, webKeyId(), "jump",
                                       OptionMap{{"Compression", "yes"}}, home.configPath()}));
    EXPECT_NE(home.config().find(webBlock), std::string::npos) << home.config();
    // Hosts take the new defaults.
    ASSERT_EQ(data.hosts.size(), 1u);
    EXPECT_EQ(data.hosts[0].user, "admin");
    EXPECT_EQ(data.hosts[0].keyId, webKeyId());
}

TEST_F(DefaultsCommandsTest, NoKeyClearsTheDefaultKey) {
    expectSuccess({"defaults", "set", "--key", "id_web"});
    EXPECT_NE(home.config().find("IdentityFile ~/.ssh/id_web"), std::string::npos);
    expectSuccess({"defaults", "set", "--no-key"});
    EXPECT_EQ(home.snapshot().defaults.keyId, "");
    EXPECT_EQ(home.config().find("IdentityFile"), std::string::npos) << home.config();
}

TEST_F(DefaultsCommandsTest, SetWithoutABlockAddsOne) {
    home.writeConfig(webBlock);
    expectSuccess({"defaults", "set", "--user", "me"});
    EXPECT_EQ(home.config().rfind(webBlock, 0), 0u) << home.config();
    EXPECT_NE(home.config().find("Host *"), std::string::npos) << home.config();
    EXPECT_EQ(home.snapshot().defaults.user, "me");
}

} // namespace
} // namespace moorkeep::test
