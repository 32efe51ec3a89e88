#include "cli_home.h"

namespace moorkeep::test {
namespace {

const std::string webBlock = "Host web\n"
                             "    HostName web.example.com\n";

TEST(DefaultsCommandsTest, ShowReadsAndSetChangesOnlyWhatIsGiven) {
    CliHome home;
    home.writeConfig("Host *\n    User everyone\n    ServerAliveInterval 30\n\n" + webBlock);
    home.makeKey("id_web");
    EXPECT_EQ(decoded<Defaults>(home.run({"defaults", "show", "--json"})),
              (Defaults{"everyone", 22, "", std::nullopt, OptionMap{{"ServerAliveInterval", "30"}},
                        home.configPath()}));

    home.change({"defaults", "set", "--user", "\t admin ", "--port", "2200", "--key", "id_web",
                 "--proxy-jump", " jump ", "--option", "Compression=yes", "--unset-option",
                 "serveraliveinterval"});
    VaultData data = home.snapshot();
    const std::string keyId = home.key("id_web").id;
    // Trimmed as the defaults dialog trims them.
    EXPECT_EQ(data.defaults, (Defaults{"admin", 2200, keyId, "jump",
                                       OptionMap{{"Compression", "yes"}}, home.configPath()}));
    EXPECT_THAT(home.config(), HasSubstr(webBlock));
    // Hosts take the new defaults.
    ASSERT_EQ(data.hosts.size(), 1u);
    EXPECT_EQ(data.hosts[0].user, "admin");
    EXPECT_EQ(data.hosts[0].keyId, keyId);

    home.change({"defaults", "set", "--no-key"});
    EXPECT_EQ(home.snapshot().defaults.keyId, "");
    EXPECT_THAT(home.config(), testing::Not(HasSubstr("IdentityFile")));
}

} // namespace
} // namespace moorkeep::test
