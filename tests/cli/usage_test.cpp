#include "cli_home.h"

namespace moorkeep::test {
namespace {

using Args = std::vector<std::string>;

// --help at every level prints that level's help on standard output, even
// where the command's own arguments are missing or wrong; --version prints
// the project's version.
struct HelpCase {
    Args args;
    std::string begins; // how the output begins
};

class HelpTest : public testing::TestWithParam<HelpCase> {};

TEST_P(HelpTest, PrintsUsageAndSucceeds) {
    auto result = runDemo(GetParam().args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(result.out, testing::StartsWith(GetParam().begins));
    EXPECT_EQ(result.err, "");
}

const std::string usage = "Usage: moorkeepctl ";

INSTANTIATE_TEST_SUITE_P(
    EveryLevel, HelpTest,
    testing::Values(HelpCase{{"--help"}, usage + "[global options] COMMAND"},
                    HelpCase{{"-h", "host"}, usage + "[global options] COMMAND"},
                    HelpCase{{"host", "--help"}, usage + "[global options] host COMMAND"},
                    HelpCase{{"host", "add", "x", "--port", "0", "--help"},
                             usage + "host add ALIAS"},
                    HelpCase{{"host", "edit", "--bogus", "--help"}, usage + "host edit HOST"},
                    HelpCase{{"key", "passwd", "--help"}, usage + "key passwd KEY"},
                    HelpCase{{"--version"}, "moorkeepctl " MOORKEEP_VERSION "\n"}),
    [](const auto& info) { return caseName(info.param.args, info.index); });

// A wrong command line, or input that names nothing the store has or that a
// dialog would not accept: exit status 2 with the reason, nothing on standard
// output, before any change. Only a wrong command line points to the help of
// the command that was meant.
struct RefusedCase {
    Args args;
    std::string says; // part of the message
    std::string input = "";
};

class RefusedCommandLineTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedCommandLineTest, ExitsWithTwoAndSaysWhy) {
    auto result = runDemo(GetParam().args, GetParam().input);
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, HasSubstr(GetParam().says));
    EXPECT_EQ(result.err.find("Try 'moorkeepctl") != std::string::npos,
              GetParam().says.starts_with("Try"))
        << result.err;
}

RefusedCase wrong(const Args& args, const std::string& command = "",
                  const std::string& input = "") {
    return {args, "Try 'moorkeepctl " + (command.empty() ? "" : command + " ") + "--help'.", input};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedCommandLineTest,
    testing::Values(
        wrong({}), wrong({"frobnicate"}), wrong({"--bogus", "dump"}), wrong({"--home"}),
        wrong({"dump", "extra"}, "dump"), wrong({"host"}, "host"),
        wrong({"host", "show"}, "host show"), wrong({"host", "list", "--json=yes"}, "host list"),
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
