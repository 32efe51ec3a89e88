#include "cli_home.h"

namespace moorkeep::test {
namespace {

using Args = std::vector<std::string>;

// --help at every level prints that level's help on standard output, even
// where the command's own arguments are missing or wrong.
struct HelpCase {
    Args args;
    std::string usage; // how the help's first line begins
};

class HelpTest : public testing::TestWithParam<HelpCase> {};

TEST_P(HelpTest, PrintsUsageAndSucceeds) {
    auto result = runDemo(GetParam().args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Usage: moorkeepctl " + GetParam().usage, 0), 0u) << result.out;
    EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    EveryLevel, HelpTest,
    testing::Values(HelpCase{{"--help"}, "[global options] COMMAND"},
                    HelpCase{{"-h", "host"}, "[global options] COMMAND"},
                    HelpCase{{"host", "--help"}, "[global options] host COMMAND"},
                    HelpCase{{"host", "add", "x", "--port", "0", "--help"}, "host add ALIAS"},
                    HelpCase{{"host", "edit", "--bogus", "--help"}, "host edit HOST"},
                    HelpCase{{"key", "passwd", "--help"}, "key passwd KEY"}),
    [](const auto& info) { return caseName(info.param.args, info.index); });

TEST(VersionTest, PrintsTheProjectVersion) {
    auto result = runDemo({"--version"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "moorkeepctl " MOORKEEP_VERSION "\n");
}

// A wrong command line: exit status 2, nothing on standard output, and a
// pointer to the help of the command that was meant.
struct UsageCase {
    Args args;
    std::string hint; // the command in "Try 'moorkeepctl ... --help'"
    std::string input = "";
};

class UsageErrorTest : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, ExitsWithTwoAndPointsToHelp) {
    auto result = runDemo(GetParam().args, GetParam().input);
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(result.out, "");
    std::string hint = GetParam().hint.empty() ? "" : GetParam().hint + " ";
    EXPECT_NE(result.err.find("Try 'moorkeepctl " + hint + "--help'."), std::string::npos)
        << result.err;
}

UsageCase portCase(const std::string& port) {
    return {{"host", "add", "web", "--hostname", "h", "--port", port}, "host add"};
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, UsageErrorTest,
    testing::Values(
        UsageCase{{}, ""}, UsageCase{{"frobnicate"}, ""}, UsageCase{{"--bogus", "dump"}, ""},
        UsageCase{{"--home"}, ""}, UsageCase{{"dump", "extra"}, "dump"},
        UsageCase{{"host"}, "host"}, UsageCase{{"host", "show"}, "host show"},
        UsageCase{{"host", "list", "--json=yes"}, "host list"},
        UsageCase{{"host", "add", "web"}, "host add"}, portCase("0"), portCase("65536"),
        portCase("22x"), portCase("99999999999999999999"),
        UsageCase{{"host", "edit", "bastion", "--key", "personal", "--no-key"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--option", "NoValue"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--option", "port=2"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--unset-option", "IdentityFile"}, "host edit"},
        UsageCase{{"defaults", "set", "--alias", "x"}, "defaults set"},
        UsageCase{{"key", "gen", "work", "--type", "dsa"}, "key gen"},
        UsageCase{{"key", "gen", "work", "--passphrase-stdin"}, "key gen"},
        UsageCase{{"key", "passwd", "personal", "--stdin"}, "key passwd", "only one line\n"}),
    [](const auto& info) { return caseName(info.param.args, info.index); });

// Input that names nothing the store has, or that a dialog would not accept:
// exit status 2 with the reason, before any change.
struct RefusedCase {
    Args args;
    std::string reason; // part of the message
    std::string input = "";
};

class RefusedInputTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedInputTest, ExitsWithTwoAndSaysWhy) {
    auto result = runDemo(GetParam().args, GetParam().input);
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(GetParam().reason), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Try 'moorkeepctl"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedInputTest,
    testing::Values(
        RefusedCase{{"host", "show", "nope"}, "no host with the alias or id \"nope\""},
        RefusedCase{{"key", "show", "nope"}, "no key with the id, name or file name \"nope\""},
        RefusedCase{{"host", "add", "web", "--hostname", "h", "--key", "nope"}, "no key"},
        RefusedCase{{"host", "add", "", "--hostname", "h"}, "alias must not be empty"},
        RefusedCase{{"host", "add", "web", "--hostname", ""}, "host name must not be empty"},
        RefusedCase{{"host", "add", "bastion", "--hostname", "h"},
                    "A host with this alias already exists."},
        RefusedCase{{"host", "edit", "prod-web-1", "--alias", "bastion"},
                    "A host with this alias already exists."},
        RefusedCase{{"host", "edit", "bastion", "--unset-option", "NoSuchOption"},
                    "no option NoSuchOption to remove"},
        RefusedCase{{"key", "gen", "my key"}, "only letters, numbers, dashes and underscores"},
        RefusedCase{{"key", "gen", "../escape"}, "only letters"},
        RefusedCase{{"key", "gen", "work", "--comment", "me@localhost"},
                    "Enter a valid email address"},
        RefusedCase{{"key", "rename", "personal", " \t\n "}, "display name must not be empty"},
        RefusedCase{{"key", "rm", "personal"}, "Remove key from all hosts first"},
        RefusedCase{
            {"key", "passwd", "staging-access", "--stdin"}, "no passphrase to remove", "\n\n"},
        // Standard input is no terminal here, and there is no other.
        RefusedCase{{"key", "passwd", "personal"}, "use --stdin"}),
    [](const auto& info) { return caseName(info.param.args, info.index); });

} // namespace
} // namespace moorkeep::test
