#include "cli_home.h"
#include "config/ssh_command.h"
#include "model/record_json.h"
#include "stores/demo_vault_store.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace moorkeep::test {
namespace {

using Args = std::vector<std::string>;

VaultData demoData() {
    return DemoVaultStore().loadData();
}

template <typename T> T decoded(const ProcessResult& result) {
    EXPECT_EQ(result.status, 0) << result.err;
    return nlohmann::json::parse(result.out).get<T>();
}

// The demo store is chosen by --demo, or by MOORKEEP_DEMO set to exactly "1";
// any other value leaves the (here empty) home directory in use.
struct StoreChoiceCase {
    std::string name;
    std::optional<std::string> variable;
    bool flag;
    bool demo;
};

class StoreChoiceTest : public testing::TestWithParam<StoreChoiceCase> {};

TEST_P(StoreChoiceTest, PicksTheStoreAsTheApplicationDoes) {
    CliHome home;
    Args args = home.args({"host", "list", "--json"});
    if (GetParam().flag)
        args.insert(args.begin(), "--demo");
    auto hosts = decoded<std::vector<SSHHost>>(
        runProcess(cliPath, args, "", {{"MOORKEEP_DEMO", GetParam().variable}}));
    EXPECT_EQ(hosts, GetParam().demo ? demoData().hosts : std::vector<SSHHost>{});
}

INSTANTIATE_TEST_SUITE_P(Environment, StoreChoiceTest,
                         testing::Values(StoreChoiceCase{"one", "1", false, true},
                                         StoreChoiceCase{"flag", std::nullopt, true, true},
                                         StoreChoiceCase{"flagAndZero", "0", true, true},
                                         StoreChoiceCase{"unset", std::nullopt, false, false},
                                         StoreChoiceCase{"empty", "", false, false},
                                         StoreChoiceCase{"yes", "yes", false, false},
                                         StoreChoiceCase{"zeroOne", "01", false, false},
                                         StoreChoiceCase{"oneSpace", "1 ", false, false}),
                         [](const auto& info) { return info.param.name; });

TEST(DemoStoreTest, DumpDecodesIntoTheWholeSnapshot) {
    EXPECT_EQ(decoded<VaultData>(runDemo({"dump"})), demoData());
}

TEST(DemoStoreTest, ListsDecodeIntoTheRecordsInStoreOrder) {
    EXPECT_EQ(decoded<std::vector<SSHHost>>(runDemo({"host", "list", "--json"})), demoData().hosts);
    EXPECT_EQ(decoded<std::vector<SSHKey>>(runDemo({"key", "list", "--json"})), demoData().keys);
    EXPECT_EQ(decoded<Defaults>(runDemo({"defaults", "show", "--json"})), demoData().defaults);
}

TEST(DemoStoreTest, AbsentOptionalsAreLeftOutOfTheJson) {
    // bastion has no ProxyJump; the demo defaults have none either.
    auto host = nlohmann::json::parse(runDemo({"host", "show", "bastion", "--json"}).out);
    EXPECT_FALSE(host.contains("proxyJump"));
    EXPECT_EQ(host["keyId"], "2");
    auto defaults = nlohmann::json::parse(runDemo({"defaults", "show", "--json"}).out);
    EXPECT_FALSE(defaults.contains("proxyJump"));
    EXPECT_FALSE(defaults.contains("sourceFile"));
}

// HOST is an exact alias, else an id.
struct HostLookupCase {
    std::string given;
    std::string alias;
};

class HostLookupTest : public testing::TestWithParam<HostLookupCase> {};

TEST_P(HostLookupTest, FindsTheHost) {
    auto host = decoded<SSHHost>(runDemo({"host", "show", GetParam().given, "--json"}));
    EXPECT_EQ(host.alias, GetParam().alias);
}

INSTANTIATE_TEST_SUITE_P(AliasOrId, HostLookupTest,
                         testing::Values(HostLookupCase{"bastion", "bastion"},
                                         HostLookupCase{"3", "bastion"},
                                         HostLookupCase{"prod-web-2", "prod-web-2"},
                                         HostLookupCase{"5", "dev-box"}));

// KEY is an id, a display name or a file name.
class KeyLookupTest : public testing::TestWithParam<std::string> {};

TEST_P(KeyLookupTest, FindsTheKey) {
    auto key = decoded<SSHKey>(runDemo({"key", "show", GetParam(), "--json"}));
    EXPECT_EQ(key, demoData().keys[1]);
    auto pub = runDemo({"key", "pub", GetParam()});
    EXPECT_EQ(pub.status, 0);
    EXPECT_EQ(pub.out, demoData().keys[1].publicKey + "\n");
}

INSTANTIATE_TEST_SUITE_P(IdNameOrFile, KeyLookupTest,
                         testing::Values("2", "personal", "id_ed25519"));

TEST(DemoStoreTest, HostCommandIsTheConnectionCommand) {
    for (const auto& host : demoData().hosts) {
        auto result = runDemo({"host", "command", host.id});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, SSHCommand::build(host) + "\n");
    }
}

// Columns line up under their headings, whatever the width of the values.
void expectAligned(const std::string& table, const std::vector<std::string>& headings) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < table.size();) {
        auto end = table.find('\n', start);
        lines.push_back(table.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_GE(lines.size(), 2u);
    for (std::size_t i = 1; i < headings.size(); ++i) {
        auto column = lines[0].find(headings[i]);
        ASSERT_NE(column, std::string::npos) << headings[i];
        for (const auto& line : lines) {
            ASSERT_GT(line.size(), column) << line;
            EXPECT_EQ(line.substr(column - 2, 2), "  ") << headings[i] << " in\n" << table;
            EXPECT_NE(line[column], ' ') << headings[i] << " in\n" << table;
        }
    }
}

TEST(DemoStoreTest, HostListIsAlignedForPeople) {
    auto result = runDemo({"host", "list"});
    ASSERT_EQ(result.status, 0);
    expectAligned(result.out, {"ALIAS", "HOSTNAME", "USER", "PORT", "KEY", "SOURCE"});
    // One row per host, in store order, the key by its name.
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 7);
    EXPECT_LT(result.out.find("prod-web-1"), result.out.find("prod-web-2"));
    EXPECT_NE(result.out.find("prod-deploy"), std::string::npos);
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos) << "colour on a pipe";
}

// The cells of a table row: text separated by two or more spaces.
std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < row.size()) {
        auto gap = row.find("  ", start);
        out.push_back(row.substr(start, gap - start));
        if (gap == std::string::npos)
            break;
        start = row.find_first_not_of(' ', gap);
    }
    return out;
}

TEST(DemoStoreTest, KeyListIsAlignedForPeople) {
    auto result = runDemo({"key", "list"});
    ASSERT_EQ(result.status, 0);
    expectAligned(result.out, {"NAME", "TYPE", "PASSPHRASE", "HOSTS", "PATH", "FINGERPRINT"});
    auto row = result.out.substr(result.out.find("\npersonal") + 1);
    row = row.substr(0, row.find('\n'));
    // personal is used by bastion and dev-box.
    EXPECT_EQ(cells(row), (std::vector<std::string>{"personal", "ed25519", "yes", "2",
                                                    "~/.ssh/id_ed25519", "SHA256:pL2n8...rT5x"}));
}

TEST(DemoStoreTest, ShowForPeopleNamesEveryField) {
    auto host = runDemo({"host", "show", "prod-web-1"});
    ASSERT_EQ(host.status, 0);
    for (const char* text : {"Alias:", "prod-web-1", "Key:", "prod-deploy (~/.ssh/prod_ed25519)",
                             "ProxyJump:", "bastion", "ServerAliveCountMax 3",
                             "ServerAliveInterval 60", "Command:", "ssh prod-web-1"})
        EXPECT_NE(host.out.find(text), std::string::npos) << text << "\n" << host.out;
    auto key = runDemo({"key", "show", "personal"});
    for (const char* text : {"Used by:", "bastion", "dev-box", "Passphrase:", "yes"})
        EXPECT_NE(key.out.find(text), std::string::npos) << text << "\n" << key.out;
    auto defaults = runDemo({"defaults", "show"});
    for (const char* text : {"Key:", "personal", "SetEnv TERM=xterm-256color"})
        EXPECT_NE(defaults.out.find(text), std::string::npos) << text << "\n" << defaults.out;
}

TEST(DemoStoreTest, HeadingsAreBoldOnATerminal) {
    auto result =
        runOnTerminal(cliPath, {"host", "list"}, {},
                      {{"MOORKEEP_DEMO", "1"}, {"NO_COLOR", std::nullopt}, {"TERM", "xterm"}});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.screen.find("\x1b[1mALIAS"), std::string::npos) << result.screen;
}

// Changes go through the demo store as they would through the application;
// they last only as long as the process.
class DemoChangeTest : public testing::TestWithParam<std::pair<Args, std::string>> {};

TEST_P(DemoChangeTest, Succeeds) {
    auto result = runDemo(GetParam().first, GetParam().second);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    EveryChange, DemoChangeTest,
    testing::Values(
        std::pair<Args, std::string>{{"host", "add", "web", "--hostname", "web.example.com",
                                      "--user", "deploy", "--port", "2222", "--key", "github",
                                      "--proxy-jump", "bastion", "--option", "ForwardAgent=yes"},
                                     ""},
        std::pair<Args, std::string>{{"host", "edit", "prod-web-1", "--alias", "web", "--no-key",
                                      "--unset-option", "ServerAliveCountMax"},
                                     ""},
        std::pair<Args, std::string>{{"host", "rm", "dev-box"}, ""},
        std::pair<Args, std::string>{{"defaults", "set", "--user", "me", "--no-key"}, ""},
        std::pair<Args, std::string>{{"key", "gen", "work", "--comment", "me@example.com",
                                      "--display-name", "Work", "--passphrase-stdin"},
                                     "secret\n"},
        std::pair<Args, std::string>{{"key", "rename", "github", "GitHub"}, ""},
        std::pair<Args, std::string>{{"key", "rm", "personal", "--force"}, ""},
        std::pair<Args, std::string>{{"key", "passwd", "prod-deploy", "--stdin"}, "old\n\n"}),
    [](const auto& info) { return caseName(info.param.first, info.index); });

} // namespace
} // namespace moorkeep::test
