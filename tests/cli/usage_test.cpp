#include "cli_home.h"

namespace moorkeep::test {
namespace {

using Args = std::vector<std::string>;

// --help at every level prints that level's help on standard output, even
// where the command's own arguments are missing or wrong; --version prints
// the project's version.
TEST(HelpTest, EveryLevelPrintsItsUsageAndSucceeds) {
    const std::string usage = "Usage: moorkeepctl ";
    const struct {
        Args args;
        std::string begins; // how the output begins
    } cases[] = {
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

} // namespace
} // namespace moorkeep::test
