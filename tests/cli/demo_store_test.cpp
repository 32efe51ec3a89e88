#include "cli_home.h"
#include "stores/demo_vault_store.h"

namespace moorkeep::test {
namespace {

VaultData demoData() {
    return DemoVaultStore().loadData();
}

// The demo store is chosen by --demo, or by MOORKEEP_DEMO set to exactly "1";
// anything else leaves the (here empty) home directory in use.
TEST(StoreChoiceTest, PicksTheStoreAsTheApplicationDoes) {
    const struct {
        std::optional<std::string> variable;
        bool flag;
        bool demo;
    } cases[] = {{"1", false, true},
                 {std::nullopt, true, true},
                 {"0", true, true},
                 {std::nullopt, false, false},
                 {"yes", false, false}};
    CliHome home;
    for (const auto& [variable, flag, demo] : cases) {
        SCOPED_TRACE(variable.value_or("(unset)") + (flag ? " --demo" : ""));
        std::vector<std::string> args = home.args({"host", "list", "--json"});
        if (flag)
            args.insert(args.begin(), "--demo");
        auto hosts = decoded<std::vector<SSHHost>>(runProcess(cliPath, args, "", variable));
        EXPECT_EQ(hosts, demo ? demoData().hosts : std::vector<SSHHost>{});
    }
}

TEST(DemoStoreTest, JsonDecodesIntoTheRecordsInStoreOrder) {
    const VaultData data = demoData();
    EXPECT_EQ(decoded<VaultData>(runDemo({"dump"})), data);
    EXPECT_EQ(decoded<std::vector<SSHKey>>(runDemo({"key", "list", "--json"})), data.keys);
    EXPECT_EQ(decoded<Defaults>(runDemo({"defaults", "show", "--json"})), data.defaults);
    EXPECT_EQ(decoded<SSHHost>(runDemo({"host", "show", "3", "--json"})).alias, "bastion");
    // KEY is an id, a display name or a file name.
    for (const char* given : {"2", "personal", "id_ed25519"}) {
        EXPECT_EQ(decoded<SSHKey>(runDemo({"key", "show", given, "--json"})), data.keys[1]);
        EXPECT_EQ(runDemo({"key", "pub", given}).out, data.keys[1].publicKey + "\n");
    }
}

// For people: columns two spaces apart, without colour on a pipe.
TEST(DemoStoreTest, KeyListIsATableForPeople) {
    auto result = runDemo({"key", "list"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(
        result.out,
        "NAME            TYPE      PASSPHRASE  AGENT  HOSTS  PATH                   FINGERPRINT\n"
        "prod-deploy     ed25519   yes         no     2      ~/.ssh/prod_ed25519    "
        "SHA256:xK9m3...j4Qw\n"
        "personal        ed25519   yes         yes    2      ~/.ssh/id_ed25519      "
        "SHA256:pL2n8...rT5x\n"
        "staging-access  rsa-4096  no          no     1      ~/.ssh/staging_rsa     "
        "SHA256:aB3c4...dE6f\n"
        "github          ed25519   no          yes    1      ~/.ssh/github_ed25519  "
        "SHA256:gH7i8...jK0l\n");
}

} // namespace
} // namespace moorkeep::test
