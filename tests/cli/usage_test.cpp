#include "cli_home.h"

#include <gtest/gtest.h>

namespace moorkeep::test {
namespace {

using Args = std::vector<std::string>;

std::string joined(const Args& args) {
    std::string text;
    for (const auto& arg : args)
        text += (text.empty() ? "" : " ") + arg;
    return text;
}

// --help at every level prints that level's help on standard output, even
// where the command's own arguments are missing or wrong.
struct HelpCase {
    Args args;
    std::string usage; // how the help's first line begins
};

class HelpTest : public testing::TestWithParam<HelpCase> {};

TEST_P(HelpTest, PrintsUsageAndSucceeds) {
    CliHome home;
    auto result = home.run(GetParam().args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Usage: " + GetParam().usage, 0), 0u) << result.out;
    EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    EveryLevel, HelpTest,
    testing::Values(
        HelpCase{{"--help"}, "moorkeepctl [global options] COMMAND"},
        HelpCase{{"-h"}, "moorkeepctl [global options] COMMAND"},
        HelpCase{{"--help", "host"}, "moorkeepctl [global options] COMMAND"},
        HelpCase{{"dump", "--help"}, "moorkeepctl dump"},
        HelpCase{{"host", "--help"}, "moorkeepctl [global options] host COMMAND"},
        HelpCase{{"host", "list", "--help"}, "moorkeepctl host list"},
        HelpCase{{"host", "show", "--help"}, "moorkeepctl host show HOST"},
        HelpCase{{"host", "command", "-h"}, "moorkeepctl host command HOST"},
        HelpCase{{"host", "add", "--help"}, "moorkeepctl host add ALIAS --hostname H"},
        HelpCase{{"host", "add", "x", "--port", "0", "--help"}, "moorkeepctl host add ALIAS"},
        HelpCase{{"host", "edit", "--bogus", "--help"}, "moorkeepctl host edit HOST"},
        HelpCase{{"host", "rm", "--help"}, "moorkeepctl host rm HOST"},
        HelpCase{{"defaults", "--help"}, "moorkeepctl [global options] defaults COMMAND"},
        HelpCase{{"defaults", "show", "--help"}, "moorkeepctl defaults show"},
        HelpCase{{"defaults", "set", "--help"}, "moorkeepctl defaults set"},
        HelpCase{{"key", "--help"}, "moorkeepctl [global options] key COMMAND"},
        HelpCase{{"key", "list", "--help"}, "moorkeepctl key list"},
        HelpCase{{"key", "show", "--help"}, "moorkeepctl key show KEY"},
        HelpCase{{"key", "pub", "--help"}, "moorkeepctl key pub KEY"},
        HelpCase{{"key", "gen", "--help"}, "moorkeepctl key gen NAME"},
        HelpCase{{"key", "rename", "--help"}, "moorkeepctl key rename KEY NAME"},
        HelpCase{{"key", "rm", "--help"}, "moorkeepctl key rm KEY"},
        HelpCase{{"key", "passwd", "--help"}, "moorkeepctl key passwd KEY"}),
    [](const auto& info) { return caseName(info.param.args, info.index); });

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
    EXPECT_EQ(result.status, 2) << joined(GetParam().args) << "\n" << result.err;
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
        UsageCase{{"--home"}, ""}, UsageCase{{"--home", "", "dump"}, ""},
        UsageCase{{"dump", "extra"}, "dump"}, UsageCase{{"host"}, "host"},
        UsageCase{{"host", "fly"}, "host"}, UsageCase{{"host", "show"}, "host show"},
        UsageCase{{"host", "show", "bastion", "extra"}, "host show"},
        UsageCase{{"host", "list", "--bogus"}, "host list"},
        UsageCase{{"host", "list", "--json=yes"}, "host list"},
        UsageCase{{"host", "add", "web"}, "host add"},
        UsageCase{{"host", "add", "web", "--hostname"}, "host add"},
        UsageCase{{"host", "add", "web", "--hostname", "h", "--no-key"}, "host add"}, portCase("0"),
        portCase("65536"), portCase("-1"), portCase("+22"), portCase("abc"), portCase(""),
        portCase(" 22"), portCase("22x"), portCase("99999999999999999999"),
        UsageCase{{"host", "edit", "bastion", "--key", "personal", "--no-key"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--proxy-jump", "x", "--no-proxy-jump"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--option", "NoValue"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--option", " =value"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--option", "port=2"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--option", "HostName=x"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--option", "Two Words=1"}, "host edit"},
        UsageCase{{"host", "edit", "bastion", "--unset-option", "IdentityFile"}, "host edit"},
        UsageCase{{"defaults", "set", "--alias", "x"}, "defaults set"},
        UsageCase{{"defaults", "set", "--port", "70000"}, "defaults set"},
        UsageCase{{"key", "gen", "work", "--type", "dsa"}, "key gen"},
        UsageCase{{"key", "gen", "work", "--passphrase-stdin"}, "key gen"},
        UsageCase{{"key", "passwd", "personal", "--stdin"}, "key passwd", "only one line\n"},
        UsageCase{{"key", "rename", "personal"}, "key rename"}),
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
    EXPECT_EQ(result.status, 2) << joined(GetParam().args) << "\n" << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(GetParam().reason), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Try 'moorkeepctl"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    UnknownNames, RefusedInputTest,
    testing::Values(
        RefusedCase{{"host", "show", "nope"}, "no host with the alias or id \"nope\""},
        RefusedCase{{"host", "command", "Bastion"}, "no host"},
        RefusedCase{{"host", "edit", "nope", "--user", "x"}, "no host"},
        RefusedCase{{"host", "rm", "nope"}, "no host"},
        RefusedCase{{"key", "show", "nope"}, "no key with the id, name or file name \"nope\""},
        RefusedCase{{"key", "pub", "Personal"}, "no key"},
        RefusedCase{{"key", "rename", "nope", "x"}, "no key"},
        RefusedCase{{"key", "rm", "nope"}, "no key"},
        RefusedCase{{"key", "passwd", "nope", "--stdin"}, "no key", "a\nb\n"},
        RefusedCase{{"host", "edit", "bastion", "--key", "nope"}, "no key"},
        RefusedCase{{"host", "add", "web", "--hostname", "h", "--key", "nope"}, "no key"},
        RefusedCase{{"defaults", "set", "--key", "nope"}, "no key"}),
    [](const auto& info) { return caseName(info.param.args, info.index); });

INSTANTIATE_TEST_SUITE_P(
    DialogRules, RefusedInputTest,
    testing::Values(
        RefusedCase{{"host", "add", "", "--hostname", "h"}, "alias must not be empty"},
        RefusedCase{{"host", "add", "web", "--hostname", ""}, "host name must not be empty"},
        RefusedCase{{"host", "add", "bastion", "--hostname", "h"},
                    "A host with this alias already exists."},
        RefusedCase{{"host", "edit", "prod-web-1", "--alias", "bastion"},
                    "A host with this alias already exists."},
        RefusedCase{{"host", "edit", "prod-web-1", "--alias", ""}, "alias must not be empty"},
        RefusedCase{{"host", "edit", "prod-web-1", "--hostname", ""}, "host name must not be"},
        RefusedCase{{"host", "edit", "bastion", "--unset-option", "NoSuchOption"},
                    "no option NoSuchOption to remove"},
        RefusedCase{{"defaults", "set", "--unset-option", "ForwardAgent"},
                    "no option ForwardAgent"},
        RefusedCase{{"key", "gen", "my key"}, "only letters, numbers, dashes and underscores"},
        RefusedCase{{"key", "gen", "id.old"}, "only letters"},
        RefusedCase{{"key", "gen", "../escape"}, "only letters"},
        RefusedCase{{"key", "gen", ""}, "only letters"},
        RefusedCase{{"key", "gen", "work", "--comment", "me@localhost"},
                    "Enter a valid email address"},
        RefusedCase{{"key", "rename", "personal", " \t\n "}, "display name must not be empty"},
        RefusedCase{{"key", "rm", "personal"}, "Remove key from all hosts first"},
        RefusedCase{
            {"key", "passwd", "staging-access", "--stdin"}, "no passphrase to remove", "\n\n"}));

} // namespace
} // namespace moorkeep::test
