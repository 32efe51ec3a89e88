#include "cli_home.h"

#include <filesystem>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using HostileInput = CliTest;

// What reached the terminal must hold no control character but line feeds.
void expectNoControlCharacters(const std::string& text) {
    for (char c : text)
        EXPECT_FALSE((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F)
            << "raw control character " << int(c) << " in:\n"
            << text;
}

TEST_F(HostileInput, PassphrasesFromEndlessNulOrControlInputAreRefused) {
    auto zero = runProcessReading(cliPath, home.args({"key", "gen", "work", "--passphrase-stdin"}),
                                  "/dev/zero");
    EXPECT_EQ(zero.status, 2);
    EXPECT_THAT(zero.err, HasSubstr("NUL"));
    for (const auto& [input, reason] : {std::pair{std::string("abc\0def\n", 8), "NUL"},
                                        {std::string(1025, 'a') + "\n", "longer than 1024 bytes"}})
        home.refused({"key", "gen", "work", "--passphrase-stdin"}, 2, reason, input);
    EXPECT_TRUE(fs::is_empty(home.sshPath("")));
    home.makeKey("id_work");
    home.refused({"key", "passwd", "id_work", "--stdin"}, 2, "", "\nab\rcdefgh\n");
    EXPECT_TRUE(home.keyOpensWith("id_work", ""));
}

// Names that mislead (a control character, a reversed text direction) are
// refused, or shown escaped.
TEST_F(HostileInput, CommentsDisplayNamesKeyNamesAndAliasesThatMisleadAreChecked) {
    for (const auto& command : std::vector<std::vector<std::string>>{
             {"key", "gen", "work", "--comment", "me@x.org\x1b[2J"},
             {"key", "gen", "work", "--display-name", "Work\x1b]0;pwned\x07"},
             {"key", "gen", "config"}})
        expectNoControlCharacters(home.refused(command, 2, "").err);
    EXPECT_TRUE(fs::is_empty(home.sshPath("")));
    // That the store writes nothing is its own tests' to check.
    home.makeKey("work");
    home.refused({"key", "rename", "work", "two\nlines"}, 2, "");
    home.refused({"key", "rename", "work", "evil\u202Etxt.exe"}, 2, "");

    // Escaped, a command for this alias would reach another host.
    home.writeConfig("Host web\x1b[2Kprod\n  HostName w\n");
    home.refused({"host", "command", "web\x1b[2Kprod"}, 2, "");
    EXPECT_THAT(home.run({"host", "show", "web\x1b[2Kprod"}).out, testing::Not(HasSubstr("ssh ")));
}

// A file that cannot be read is named on standard error.
TEST_F(HostileInput, HumanOutputShowsControlCharactersEscapedAndNamesUnreadFiles) {
    home.writeConfig("Host evil\x1b[31m\n  HostName h\x07st\n  User u\xc2\x9bx\nInclude latin1\n");
    writeFile(home.sshPath("latin1"), "Host caf\xe9\x1b[2J\n");
    home.makeKey("work");
    writeFile(home.sshPath("work.pub"),
              readFile(home.sshPath("work.pub")).substr(0, 80) + " me\x1b]0;title\x07\n");
    const std::string id = home.key("work").id;
    writeFile(home.metaPath(), R"({"version": 1, "hosts": [], "keyMeta": [{"id": ")" + id +
                                   R"(", "name": "Work\u001b[5m"}]})");

    // Each command, and the escaped text it shows; JSON keeps its own escapes.
    const std::pair<std::vector<std::string>, std::string> shown[] = {
        {{"host", "list"}, "evil\\e[31m"},
        {{"host", "show", "evil\x1b[31m"}, "h\\ast"},
        {{"host", "show", "evil\x1b[31m"}, "\\u009bx"},
        {{"key", "list"}, "Work\\e[5m"},
        {{"key", "show", "work"}, "me\\e]0;title\\a"},
        {{"key", "pub", "work"}, "me\\e]0;title\\a"},
        {{"host", "list", "--json"}, "evil\\u001b[31m"}};
    for (const auto& [command, text] : shown) {
        auto result = home.run(command);
        EXPECT_EQ(result.status, 0) << command[0] << " " << command[1] << ": " << result.err;
        if (command.back() != "--json")
            expectNoControlCharacters(result.out);
        EXPECT_THAT(result.out, HasSubstr(text));
    }
    EXPECT_EQ(home.run({"host", "list"}).err,
              "moorkeepctl: warning: " + home.sshPath("latin1") +
                  " is not UTF-8 text and was not read; its hosts are not shown.\n");
}

// Quoted keywords are obeyed by OpenSSH, "#" turns the line into a comment:
// an option name is a plain keyword for a host and for the defaults alike.
TEST_F(HostileInput, OptionNamesThatOpenSSHWouldMisreadAreRefused) {
    home.writeConfig("Host web\n  HostName w\n");
    for (const std::string option :
         {"\"Include\"=x", "\"Host\"=x", "\"Match\"=all", "\"User\"=root", "#Compression=yes",
          "'Port'=23", "Comp-ression=yes"})
        home.refused({"host", "edit", "web", "--option", option}, 2, "not a plain keyword");
    home.refused({"defaults", "set", "--option", "\"Include\"=x"}, 2, "not a plain keyword");
}

// A terminal whose echo cannot be turned off: the program is refused before
// it asks.
TEST_F(HostileInput, NoPassphraseIsReadWhereEchoCannotBeTurnedOff) {
    home.makeKey("work");
    const auto result = home.runOnTerminal({"key", "passwd", "work"}, {}, true);
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.out, HasSubstr("cannot turn off echo"));
    EXPECT_THAT(result.out, testing::Not(HasSubstr("passphrase of work")));
}

} // namespace
} // namespace moorkeep::test
