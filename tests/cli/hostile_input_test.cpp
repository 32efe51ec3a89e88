#include "cli_home.h"

#include <csignal>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// What reached the terminal must hold no control character but line feeds.
void expectNoControlCharacters(const std::string& text) {
    for (char c : text)
        EXPECT_FALSE((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F)
            << "raw control character " << int(c) << " in:\n"
            << text;
}

TEST(HostileInput, PassphrasesFromEndlessOrNulInputAreRefused) {
    CliHome home;
    auto zero = runProcessReading(cliPath, home.args({"key", "gen", "work", "--passphrase-stdin"}),
                                  "/dev/zero");
    EXPECT_EQ(zero.status, 2);
    EXPECT_TRUE(contains(zero.err, "NUL")) << zero.err;

    auto nul = home.run({"key", "gen", "work", "--passphrase-stdin"}, std::string("abc\0def\n", 8));
    EXPECT_EQ(nul.status, 2);
    EXPECT_TRUE(contains(nul.err, "NUL")) << nul.err;

    auto endless =
        home.run({"key", "gen", "work", "--passphrase-stdin"}, std::string(4 * 1024 * 1024, 'a'));
    EXPECT_EQ(endless.status, 2);
    EXPECT_TRUE(contains(endless.err, "longer than 1024 bytes")) << endless.err;

    auto passwd = home.run({"key", "passwd", "nothing", "--stdin"}, std::string(1025, 'a') + "\n");
    EXPECT_EQ(passwd.status, 2);
    EXPECT_TRUE(fs::is_empty(home.sshPath("")));
}

TEST(HostileInput, CommentsDisplayNamesAndKeyNamesAreChecked) {
    CliHome home;
    for (const auto& command : std::vector<std::vector<std::string>>{
             {"key", "gen", "work", "--comment", "me@x.org\nssh-ed25519 AAAA attacker"},
             {"key", "gen", "work", "--comment", "me@x.org\x1b[2J"},
             {"key", "gen", "work", "--display-name", "Work\x1b]0;pwned\x07"},
             {"key", "gen", "config"},
             {"key", "gen", "authorized_keys2"}}) {
        auto result = home.run(command);
        EXPECT_EQ(result.status, 2) << command[2] << command.back();
        expectNoControlCharacters(result.err);
    }
    EXPECT_TRUE(contains(home.run({"key", "gen", "config"}).err, "OpenSSH uses"));
    EXPECT_TRUE(fs::is_empty(home.sshPath("")));

    home.makeKey("work");
    auto rename = home.run({"key", "rename", "work", "two\nlines"});
    EXPECT_EQ(rename.status, 2);
    EXPECT_FALSE(fs::exists(home.metaPath()) && contains(readFile(home.metaPath()), "two"));
}

TEST(HostileInput, HumanOutputShowsControlCharactersEscaped) {
    CliHome home;
    home.writeConfig("Host evil\x1b[31m\n  HostName h\x07st\n  User u\xc2\x9bx\n");
    home.makeKey("work");
    writeFile(home.sshPath("work.pub"),
              readFile(home.sshPath("work.pub")).substr(0, 80) + " me\x1b]0;title\x07\n");
    const std::string id = home.key("work").id;
    writeFile(home.metaPath(), R"({"version": 1, "hosts": [], "keyMeta": [{"id": ")" + id +
                                   R"(", "name": "Work\u001b[5m"}]})");

    for (const auto& command :
         std::vector<std::vector<std::string>>{{"host", "list"},
                                               {"host", "show", "evil\x1b[31m"},
                                               {"key", "list"},
                                               {"key", "show", "work"},
                                               {"key", "pub", "work"}}) {
        auto result = home.run(command);
        EXPECT_EQ(result.status, 0) << command[0] << " " << command[1] << ": " << result.err;
        expectNoControlCharacters(result.out);
    }
    EXPECT_TRUE(contains(home.run({"host", "list"}).out, "evil\\e[31m"));
    EXPECT_TRUE(contains(home.run({"host", "show", "evil\x1b[31m"}).out, "h\\ast"));
    EXPECT_TRUE(contains(home.run({"host", "show", "evil\x1b[31m"}).out, "\\u009bx"));
    EXPECT_TRUE(contains(home.run({"key", "list"}).out, "Work\\e[5m"));
    EXPECT_TRUE(contains(home.run({"key", "pub", "work"}).out, "me\\e]0;title\\a"));
    // JSON keeps its own escapes.
    EXPECT_TRUE(contains(home.run({"host", "list", "--json"}).out, "evil\\u001b[31m"));
}

TEST(HostileInput, FilesThatCannotBeReadAreNamedOnStandardError) {
    CliHome home;
    home.writeConfig("Host web\nInclude latin1\nHost db\n");
    writeFile(home.sshPath("latin1"), "Host caf\xe9\x1b[2J\n");
    for (const auto& command : std::vector<std::vector<std::string>>{{"host", "list"}, {"dump"}}) {
        auto result = home.run(command);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "moorkeepctl: warning: " + home.sshPath("latin1") +
                                  " is not UTF-8 text and was not read; its hosts are not "
                                  "shown.\n");
    }
    EXPECT_EQ(home.aliases(), (std::vector<std::string>{"web", "db"}));
}

TEST(HostileInput, UnsettingAnOptionOfTheDefaultsSaysWhereItComesFrom) {
    CliHome home;
    const std::string config =
        "Host web\n  HostName w\n  ForwardAgent yes\n\nHost *\n  ServerAliveInterval 60\n";
    home.writeConfig(config);
    auto result = home.run({"host", "edit", "web", "--unset-option", "ServerAliveInterval"});
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(contains(result.err, "ServerAliveInterval comes from ~/.ssh/config line 6"))
        << result.err;
    EXPECT_EQ(home.config(), config);
    // The host's own option is removed as before.
    home.change({"host", "edit", "web", "--unset-option", "ForwardAgent"});
    EXPECT_FALSE(contains(home.config(), "ForwardAgent"));
}

TEST(HostileInput, ADisplayNameThatCannotBeSavedSaysTheKeyWasMade) {
    CliHome home;
    writeFile(home.home() + "/blocker", "not a folder");
    auto result =
        runProcess(cliPath, {"--home", home.home(), "--meta", home.home() + "/blocker/m.json",
                             "key", "gen", "work", "--display-name", "Work"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(contains(result.err, "~/.ssh/work was made, but its display name was not saved"))
        << result.err;
    EXPECT_TRUE(fs::exists(home.sshPath("work")));
}

// A terminal whose echo cannot be turned off: the program runs in a
// background process group that is orphaned, where every change of the
// terminal's settings fails (EIO) while reading it still works.
TEST(HostileInput, NoPassphraseIsReadWhereEchoCannotBeTurnedOff) {
    CliHome home;
    home.makeKey("work");
    std::vector<std::string> texts{cliPath};
    for (const auto& arg : home.args({"key", "passwd", "work"}))
        texts.push_back(arg);
    std::vector<char*> argv;
    for (auto& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    // The program is reparented to this process, which can then see its end.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int master = -1;
    const pid_t leader = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(leader, 0);
    if (leader == 0) {
        // The session leader keeps the terminal; a middle process starts the
        // program in a group of its own and leaves it orphaned.
        const pid_t middle = fork();
        if (middle == 0) {
            if (fork() == 0) {
                setpgid(0, 0);
                while (getppid() == middle)
                    usleep(1000);
                execv(argv[0], argv.data());
                _exit(127);
            }
            _exit(0);
        }
        waitpid(middle, nullptr, 0);
        pause();
        _exit(0);
    }
    // The first child to end other than the leader is the program. One
    // that waits for a passphrase is ended by hanging up its terminal.
    int status = -1;
    bool leaderGone = false;
    for (int waited = 0; status == -1; ++waited) {
        int any = 0;
        const pid_t ended = waitpid(-1, &any, WNOHANG);
        if (ended > 0 && ended != leader)
            status = WIFEXITED(any) ? WEXITSTATUS(any) : 128 + WTERMSIG(any);
        else if (ended == leader)
            leaderGone = true;
        else if (ended < 0)
            break;
        if (waited == 30'000 && !leaderGone) {
            ADD_FAILURE() << "the program waits for a passphrase";
            kill(leader, SIGKILL);
        }
        usleep(1000);
    }
    std::string screen;
    pollfd fd{master, POLLIN, 0};
    char buffer[4096];
    while (poll(&fd, 1, 200) > 0) {
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        screen.append(buffer, static_cast<std::size_t>(n));
    }
    if (!leaderGone) {
        kill(leader, SIGKILL);
        waitpid(leader, nullptr, 0);
    }
    close(master);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(contains(screen, "cannot turn off echo")) << screen;
    EXPECT_FALSE(contains(screen, "New passphrase")) << screen;
}

} // namespace
} // namespace moorkeep::test
