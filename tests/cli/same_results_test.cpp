#include "cli_home.h"
#include "stores/system_vault_store.h"
#include "stores/vault_rules.h"

#include <functional>
#include <gtest/gtest.h>

namespace moorkeep::test {
namespace {

// A change made with the program leaves the configuration exactly as the
// same change made in the desktop application: the dialog's record handed to
// the store through the application's rules.
const std::string configText = "# managed by hand\n"
                               "Host *\n"
                               "\tServerAliveInterval 30\n"
                               "\n"
                               "Host web\n"
                               "  HostName web.example.com   # the front\n"
                               "  User deploy\n"
                               "  IdentityFile ~/.ssh/id_web\n"
                               "\n"
                               "Host db\n"
                               "  HostName db.internal\n"
                               "  ProxyJump web\n";

using AppChange = std::function<void(VaultStore&, const VaultData&)>;

struct SameResultCase {
    std::string name;
    std::vector<std::string> command;
    AppChange app;
};

const SSHHost& host(const VaultData& data, const std::string& alias) {
    for (const auto& h : data.hosts)
        if (h.alias == alias)
            return h;
    throw std::runtime_error("no host " + alias);
}

std::string keyId(const VaultData& data, const std::string& file) {
    for (const auto& key : data.keys)
        if (key.path == "~/.ssh/" + file)
            return key.id;
    throw std::runtime_error("no key " + file);
}

// What the application's model does when a dialog hands it a host.
void saveAsTheApp(VaultStore& store, const VaultData& data, const SSHHost& edited) {
    VaultRules::saveHost(store, edited, VaultRules::originalAlias(data.hosts, edited.id),
                         VaultRules::keyIdToPath(data.keys));
}

class SameResultTest : public testing::TestWithParam<SameResultCase> {};

TEST_P(SameResultTest, ConfigurationMatchesTheApplications) {
    CliHome cli;
    CliHome app;
    for (const CliHome* home : {&cli, &app}) {
        home->writeConfig(configText);
        home->makeKey("id_web");
        home->makeKey("id_db");
    }

    auto result = cli.run(GetParam().command);
    ASSERT_EQ(result.status, 0) << result.err;

    SystemVaultStore::Options options;
    options.homedir = app.home();
    options.userMetaPath = app.metaPath();
    SystemVaultStore store(options);
    GetParam().app(store, store.loadData());

    EXPECT_EQ(cli.config(), app.config());
    EXPECT_NE(cli.config(), configText) << "the case changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SameResultTest,
    testing::Values(
        SameResultCase{"addHost",
                       {"host", "add", "app", "--hostname", "app.example.com", "--user", "ops",
                        "--port", "2200", "--key", "id_db", "--proxy-jump", " web "},
                       [](VaultStore& store, const VaultData& data) {
                           saveAsTheApp(store, data,
                                        SSHHost{"", "app", "app.example.com", "ops", 2200,
                                                keyId(data, "id_db"), "web", OptionMap{},
                                                HostSource::user});
                       }},
        SameResultCase{"renameHost",
                       {"host", "edit", "web", "--alias", "www", "--port", "2022", "--no-key"},
                       [](VaultStore& store, const VaultData& data) {
                           SSHHost edited = host(data, "web");
                           edited.alias = "www";
                           edited.port = 2022;
                           edited.keyId.reset();
                           saveAsTheApp(store, data, edited);
                       }},
        SameResultCase{"editHostKeyAndOption",
                       {"host", "edit", "db", "--key", "id_db", "--option", "Compression=yes"},
                       [](VaultStore& store, const VaultData& data) {
                           SSHHost edited = host(data, "db");
                           edited.keyId = keyId(data, "id_db");
                           edited.extraOptions["Compression"] = "yes";
                           saveAsTheApp(store, data, edited);
                       }},
        SameResultCase{"deleteHost",
                       {"host", "rm", "web"},
                       [](VaultStore& store, const VaultData& data) {
                           VaultRules::deleteHost(store, host(data, "web"),
                                                  VaultRules::keyIdToPath(data.keys));
                       }},
        SameResultCase{"defaults",
                       {"defaults", "set", "--user", " admin ", "--port", "2200", "--key", "id_web",
                        "--option", "Compression=yes"},
                       [](VaultStore& store, const VaultData& data) {
                           Defaults edited = data.defaults;
                           edited.user = "admin";
                           edited.port = 2200;
                           edited.keyId = keyId(data, "id_web");
                           edited.extraOptions["Compression"] = "yes";
                           store.saveConfigDefaults(edited, VaultRules::keyIdToPath(data.keys));
                       }}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace moorkeep::test
