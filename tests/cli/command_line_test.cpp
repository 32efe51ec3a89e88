#include "cli_home.h"
#include "stores/demo_vault_store.h"

#include <tuple>

namespace moorkeep::test {
namespace {

using Args = std::vector<std::string>;

// --help at every level prints that level's help on standard output, even
// where the command's own arguments are missing or wrong; --version prints
// the project's version.
TEST(HelpTest, EveryLevelPrintsItsUsageAndSucceeds) {
    const std::string usage = "Usage: moorkeepctl ";
    // Each row: the arguments, and how the output begins.
    const std::pair<Args, std::string> cases[] = {
        {{"--help"}, usage + "[global options] COMMAND"},
        {{"-h", "host"}, usage + "[global options] COMMAND"},
        {{"host", "--help"}, usage + "[global options] host COMMAND"},
        {{"host", "add", "x", "--port", "0", "--help"}, usage + "host add ALIAS"},
        {{"host", "edit", "--bogus", "--help"}, usage + "host edit HOST"},
        {{"key", "passwd", "--help"}, usage + "key passwd KEY"},
        {{"--version"}, "moorkeepctl " MOORKEEP_VERSION "\n"},
    };
    for (const auto& [args, begins] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        auto result = runDemo(args);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_THAT(result.out, testing::StartsWith(begins));
        EXPECT_EQ(result.err, "");
    }
}

// A wrong command line, or input that names nothing the store has or that a
// dialog would not accept: exit status 2 with the reason, nothing on standard
// output, before any change. Only a wrong command line points to the help of
// the command that was meant.
struct Refused {
    Args args;
    std::string says; // part of the message
    std::string input = "";
};

Refused wrong(const Args& args, const std::string& command = "", const std::string& input = "") {
    return {args, "Try 'moorkeepctl " + (command.empty() ? "" : command + " ") + "--help'.", input};
}

TEST(RefusedCommandLineTest, ExitsWithTwoAndSaysWhy) {
    const Refused cases[] = {
        wrong({}),
        wrong({"frobnicate"}),
        wrong({"--bogus", "dump"}),
        wrong({"--home"}),
        wrong({"dump", "extra"}, "dump"),
        wrong({"host"}, "host"),
        wrong({"host", "show"}, "host show"),
        wrong({"host", "list", "--json=yes"}, "host list"),
        wrong({"host", "add", "web"}, "host add"),
        wrong({"host", "add", "web", "--hostname", "h", "--port", "0"}, "host add"),
        wrong({"host", "edit", "bastion", "--key", "personal", "--no-key"}, "host edit"),
        wrong({"host", "edit", "bastion", "--option", "NoValue"}, "host edit"),
        wrong({"host", "edit", "bastion", "--option", "port=2"}, "host edit"),
        wrong({"host", "edit", "bastion", "--unset-option", "IdentityFile"}, "host edit"),
        wrong({"defaults", "set", "--alias", "x"}, "defaults set"),
        wrong({"key", "gen", "work", "--type", "dsa"}, "key gen"),
        wrong({"key", "gen", "work", "--passphrase-stdin"}, "key gen"),
        wrong({"key", "passwd", "personal", "--stdin"}, "key passwd", "only one line\n"),
        {{"host", "show", "nope"}, "no host with the alias or id \"nope\""},
        {{"key", "show", "nope"}, "no key with the id, name or file name \"nope\""},
        {{"host", "forget", "bastion"}, "removes 2 lines from ~/.ssh/known_hosts"},
        {{"host", "add", "web", "--hostname", "h", "--key", "nope"}, "no key"},
        {{"host", "add", "", "--hostname", "h"}, "alias must not be empty"},
        {{"host", "add", "web", "--hostname", ""}, "host name must not be empty"},
        {{"host", "add", "bastion", "--hostname", "h"}, "A host with this alias already exists."},
        {{"host", "edit", "prod-web-1", "--alias", "bastion"},
         "A host with this alias already exists."},
        {{"host", "edit", "bastion", "--unset-option", "NoSuchOption"},
         "no option NoSuchOption to remove"},
        {{"key", "gen", "my key"}, "only letters, numbers, dashes and underscores"},
        {{"key", "rename", "personal", " \t\n "}, "display name must not be empty"},
        {{"key", "passwd", "staging-access", "--stdin"}, "no passphrase to remove", "\n\n"},
        // Standard input is no terminal here, and there is no other.
        {{"key", "passwd", "personal"}, "use --stdin"},
    };
    for (const auto& [args, says, input] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        auto result = runDemo(args, input);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_THAT(result.err, HasSubstr(says));
        EXPECT_EQ(result.err.find("Try 'moorkeepctl") != std::string::npos, says.starts_with("Try"))
            << result.err;
    }
}

// The demo store is chosen by --demo, or by MOORKEEP_DEMO set to exactly "1";
// anything else leaves the (here empty) home directory in use.
TEST(StoreChoiceTest, PicksTheStoreAsTheApplicationDoes) {
    // Each row: MOORKEEP_DEMO, whether --demo is given, and whether the demo
    // store is used.
    const std::tuple<std::optional<std::string>, bool, bool> cases[] = {
        {"1", false, true},
        {std::nullopt, true, true},
        {"0", true, true},
        {std::nullopt, false, false},
        {"yes", false, false}};
    CliHome home;
    const auto demoHosts = DemoVaultStore().loadData().hosts;
    for (const auto& [variable, flag, demo] : cases) {
        SCOPED_TRACE(variable.value_or("(unset)") + (flag ? " --demo" : ""));
        std::vector<std::string> args = home.args({"host", "list", "--json"});
        if (flag)
            args.insert(args.begin(), "--demo");
        auto hosts = decoded<std::vector<SSHHost>>(runProcess(cliPath, args, "", variable));
        EXPECT_EQ(hosts, demo ? demoHosts : std::vector<SSHHost>{});
    }
}

TEST(DemoStoreTest, JsonDecodesIntoTheRecordsInStoreOrderAndKeyListIsATableForPeople) {
    const VaultData data = DemoVaultStore().loadData();
    EXPECT_EQ(decoded<VaultData>(runDemo({"dump"})), data);
    EXPECT_EQ(decoded<std::vector<SSHKey>>(runDemo({"key", "list", "--json"})), data.keys);
    EXPECT_EQ(decoded<Defaults>(runDemo({"defaults", "show", "--json"})), data.defaults);
    EXPECT_EQ(decoded<SSHHost>(runDemo({"host", "show", "3", "--json"})).alias, "bastion");
    // The host list, written host by host, is the array pretty-printed whole.
    const std::string listed = runDemo({"host", "list", "--json"}).out;
    EXPECT_EQ(nlohmann::json::parse(listed).dump(2) + "\n", listed);
    EXPECT_EQ(nlohmann::json::parse(listed).size(), data.hosts.size());
    // KEY is an id, a display name or a file name.
    for (const char* given : {"2", "personal", "id_ed25519"}) {
        EXPECT_EQ(decoded<SSHKey>(runDemo({"key", "show", given, "--json"})), data.keys[1]);
        EXPECT_EQ(runDemo({"key", "pub", given}).out, data.keys[1].publicKey + "\n");
    }
    // For people: columns two spaces apart, without colour on a pipe.
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
