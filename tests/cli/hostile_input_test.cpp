#include "cli_home.h"
#include "stores/config_backups.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using HostileInput = CliTest;

// The entries of the folder whose names begin with the prefix.
std::vector<std::string> entriesStarting(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& name : fs::exists(folder) ? entries(folder) : std::vector<std::string>{})
        if (name.starts_with(prefix))
            found.push_back(name);
    return found;
}

// Where OpenSSH's checks of a change copy the text.
std::string checksFolder() {
    return std::getenv("XDG_RUNTIME_DIR");
}

// A change that stopped short left beside the configuration, in the checks'
// folder and among the backups, nothing of its own.
void expectNothingLeftBehind(const CliHome& home) {
    EXPECT_EQ(entries(home.sshPath("")), std::vector<std::string>{"config"});
    EXPECT_EQ(entriesStarting(checksFolder(), "moorkeep-check-"), std::vector<std::string>{});
    EXPECT_EQ(entriesStarting(ConfigBackups::defaultFolder(home.home()), "."),
              std::vector<std::string>{});
}

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

// Starts the change and stops it while OpenSSH checks it, once both the
// check's folder and the new file beside the configuration exist; -1 when the
// change ended first.
pid_t stoppedDuringTheCheck(const CliHome& home, const std::vector<std::string>& command) {
    Argv argv(cliPath, home.args(command));
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(cliPath.c_str(), argv.pointers.data());
        _exit(127);
    }
    auto inTheCheck = [&] {
        return !entriesStarting(checksFolder(), "moorkeep-check-").empty() &&
               !entriesStarting(home.sshPath(""), ".config.").empty();
    };
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (!inTheCheck())
            continue;
        kill(pid, SIGSTOP);
        waitpid(pid, nullptr, WUNTRACED);
        if (inTheCheck())
            return pid;
        kill(pid, SIGCONT);
        waitpid(pid, nullptr, 0);
        break;
    }
    return -1;
}

// An interrupt in the middle of a change removes what the change made on
// its way (the new file, the check's copies) and leaves the file as it was.
TEST_F(HostileInput, AnInterruptDuringTheCheckLeavesNothingBehind) {
    home.writeConfig("Host web\n  HostName w\n");
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        pid_t pid = -1;
        for (int attempt = 0; attempt < 50 && pid < 0; ++attempt) {
            home.writeConfig("Host web\n  HostName w\n");
            pid = stoppedDuringTheCheck(home, {"host", "edit", "web", "--hostname", "new"});
        }
        ASSERT_GT(pid, 0) << "no change was caught while OpenSSH checked it";
        kill(pid, signal);
        kill(pid, SIGCONT);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(home.config(), "Host web\n  HostName w\n");
        expectNothingLeftBehind(home);
    }
}

// Past the limit on file sizes (ulimit -f), wherever the first write fails
// (OpenSSH's copy, the new file, the backup of the old one), the change is
// refused with the reason, leaves no temporary behind and lists no backup.
TEST_F(HostileInput, AFileSizeLimitRefusesTheChangeWithTheReason) {
    std::string padding;
    for (int i = 0; i < 40; ++i)
        padding += "  # " + std::string(60, 'x') + "\n";
    const std::string small = "Host web\n  HostName w\n";
    const std::string large = small + "\nHost big\n  HostName b\n" + padding;
    struct Case {
        std::string name;
        std::string config;
        std::vector<std::string> command; // under the limit; "BACKUP" is the newest backup
    };
    const Case cases[] = {
        {"add: the copy and the new file", large, {"host", "add", "db", "--hostname", "d"}},
        {"move: the same size",
         large,
         {"host", "move", "big", "--before-line", home.configPath() + ":1"}},
        {"rm: the backup", large, {"host", "rm", "big"}},
        {"restore a larger file", small, {"backup", "restore", "BACKUP"}},
        {"restore a smaller file", large, {"backup", "restore", "BACKUP"}},
    };
    for (const auto& [name, config, command] : cases) {
        SCOPED_TRACE(name);
        // The backup to restore: of the other size, and new to the folder.
        home.writeConfig((config == small ? large : small) + "# " + name + "\n");
        home.change(config == small
                        ? std::vector<std::string>{"host", "rm", "big"}
                        : std::vector<std::string>{"host", "add", "big", "--hostname", "b"});
        home.writeConfig(config);
        const std::string listed = home.run({"backup", "list"}).out;
        const std::string newest =
            decoded<nlohmann::json>(home.run({"backup", "list", "--json"}))[0]["id"];
        auto limited = home.args(command, {"--fsize=1500", cliPath});
        std::ranges::replace(limited, std::string("BACKUP"), newest);
        const auto result = runProcess("/usr/bin/prlimit", limited);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_THAT(result.err, HasSubstr("limit on file sizes"));
        EXPECT_EQ(home.config(), config);
        expectNothingLeftBehind(home);
        EXPECT_EQ(home.run({"backup", "list"}).out, listed);
    }

    // ssh-keygen, stopped by the limit at its private file, says nothing of
    // it: the reason is ours. (The limit leaves room for the error file.)
    const auto generated =
        runProcess("/usr/bin/prlimit", home.args({"key", "gen", "kk"}, {"--fsize=300", cliPath}));
    EXPECT_EQ(generated.status, 1);
    EXPECT_THAT(generated.err, HasSubstr("ssh-keygen failed: it was stopped because the file "
                                         "would be larger than the limit on file sizes"));
    EXPECT_EQ(entries(home.sshPath("")), std::vector<std::string>{"config"});
}

} // namespace
} // namespace moorkeep::test
