#include "cli_home.h"
#include "model/input_rules.h"
#include "stores/system_vault_store.h"
#include "support/open_files.h"

#include <filesystem>
#include <future>
#include <iterator>
#include <sstream>

namespace moorkeep::test {
namespace {

// OpenSSH takes the first value it meets: every change either reaches what
// `ssh -G` uses or is refused, naming the line that wins, with the file as
// it was.
using EffectiveWritesTest = CliTest;

TEST_F(EffectiveWritesTest, ANewHostGoesBeforeTheFirstBlockThatAppliesToIt) {
    home.writeConfig("Host web\n  HostName w\n\n# for all\nHost *\n  User admin\n  Port 2222\n");
    home.change({"host", "add", "db", "--hostname", "db.example", "--user", "bob", "--port", "22"});
    EXPECT_EQ(home.config(),
              "Host web\n  HostName w\n\nHost db\n  HostName db.example\n  User bob\n"
              "  Port 22\n\n# for all\nHost *\n  User admin\n  Port 2222\n");
}

TEST_F(EffectiveWritesTest, AnEditThatAnEarlierBlockOverridesIsRefusedUntilTheBlockMoves) {
    home.writeConfig("Host *\n  User admin\n\nHost web\n  User bob\n");
    const auto refusal = home.refused(
        {"host", "edit", "web", "--user", "carol"}, 1,
        "User carol would be ignored: OpenSSH takes User admin from ~/.ssh/config line 2 (Host *)");
    // The refusal ends with the command that moves the block; run as printed, it does.
    const std::string printed = refusal.err.substr(refusal.err.rfind("\n  moorkeepctl ") + 3);
    EXPECT_EQ(printed, "moorkeepctl --home " + home.home() +
                           " host move web --before-line '~/.ssh/config:1'\n");
    EXPECT_EQ(runProcess("/bin/sh", {"-c", cliPath + printed.substr(11)}).status, 0);
    EXPECT_EQ(home.config(), "Host web\n  User bob\n\nHost *\n  User admin\n");
    home.writeConfig("Host *\n  User admin\n\nHost web\n  User bob\n");
    // A path through a link to ~/.ssh names the same file.
    std::filesystem::create_directory_symlink(home.sshPath(""), home.home() + "/link");
    home.change({"host", "move", "web", "--before-line", home.home() + "/link/config:1"});
    EXPECT_EQ(home.config(), "Host web\n  User bob\n\nHost *\n  User admin\n");
    home.change({"host", "edit", "web", "--user", "carol"});
    EXPECT_EQ(home.ssh("web", "user"), "carol");
    home.refused({"host", "move", "web", "--before-line", "~/.ssh/config:2"}, 1, "");
}

// Each way a write could miss what OpenSSH uses: it reaches `ssh -G` for the
// host's name, or is refused naming the reason with every file as it was.
TEST_F(EffectiveWritesTest, EveryWriteReachesSshOrIsRefusedWithTheReason) {
    struct Case {
        std::string config;
        std::string included; // the second of two files an Include reads
        std::string command;  // words between single spaces
        int status;           // 0: ssh -G then uses the outcome ("keyword value")
        std::string outcome;  // else the reason of the refusal
    };
    const std::string include = "Include " + home.sshPath("d") + "/*\n";
    const Case cases[] = {
        {"Host db\n  " + include, "Host web\n  User u\n", "host edit web --user v", 1,
         "never reads the block of web for web: ~/.ssh/d/b is read through the Include at "
         "~/.ssh/config line 2, inside \"Host db\""},
        {include, "Port 2000\nHost web\n  HostName w\n", "host edit web --port 3000", 1,
         "OpenSSH takes Port 2000 from ~/.ssh/d/b line 1"},
        {"Host web\n  HostName w\nMatch all\n  Port 2222\n", "", "host edit web --port 22", 0,
         "port 22"},
        {"Host web*\n  Port 2222\n", "", "host add web1 --hostname h --port 22", 0, "port 22"},
        {"Host * !b\n  Port 2222\n", "", "defaults set --port 22", 2,
         "OpenSSH takes 2222 from ~/.ssh/config line 2 (Host * !b)"},
        {"Host *\n  ProxyJump j\nHost web\n  HostName w\n", "",
         "host edit web --option ProxyCommand=nc", 1,
         "OpenSSH takes ProxyJump j from ~/.ssh/config line 2 (Host *)"},
        {"Host web\n  IdentityFile ~/.ssh/missing\n  IdentityFile ~/.ssh/id_%u\n", "",
         "host edit web --no-key", 0, "identityfile ~/.ssh/id_rsa"}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.config + test.command);
        std::istringstream words(test.command);
        const std::vector<std::string> command{std::istream_iterator<std::string>(words), {}};
        home.writeConfig(test.config);
        writeFile(home.sshPath("d/a"), "Host other\n  User x\n");
        writeFile(home.sshPath("d/b"), test.included);
        if (test.status != 0) {
            home.refused(command, test.status, test.outcome);
            EXPECT_EQ(readFile(home.sshPath("d/b")), test.included);
            continue;
        }
        home.change(command);
        const auto space = test.outcome.find(' ');
        EXPECT_EQ(home.ssh(command[2], test.outcome.substr(0, space)),
                  test.outcome.substr(space + 1));
    }
}

TEST_F(EffectiveWritesTest, AnAliasAnEarlierHostLineNamesIsADuplicate) {
    for (const auto& [header, status] : {std::pair{"Host web # c", 2},
                                         {"Host \"web\"", 2},
                                         {"Host web1 web", 1},
                                         {"Host=web", 2}}) {
        home.writeConfig(header + std::string("\n  User x\n"));
        home.refused({"host", "add", "web", "--hostname", "h"}, status, "~/.ssh/config line 1");
    }
    for (const std::string header : {"Host we*", "Match all"}) {
        home.writeConfig(header + "\n  User x\n");
        home.change({"host", "add", "web", "--hostname", "h", "--user", "bob"});
        EXPECT_EQ(home.ssh("web", "user"), "bob") << header;
    }
}

TEST_F(EffectiveWritesTest, KeysOfferedThroughAnySpellingAreInUse) {
    home.makeKey("k");
    for (const std::string text :
         {"Host web\n  IdentityFile ~/.ssh/other\n  IdentityFile ~/.ssh/k\n",
          "Host web\n  User u\nHost *\n  IdentityFile \"~/.ssh/k\"\n",
          "Host web\n  IdentityFile %d/.ssh/k\n"}) {
        home.writeConfig(text);
        home.refused({"key", "rm", "k"}, 2, "is used by web");
    }
    EXPECT_TRUE(std::filesystem::exists(home.sshPath("k")));
}

TEST_F(EffectiveWritesTest, ShowEffectiveNamesTheWinningLinesForAnyName) {
    home.writeConfig("Host * !bastion\n  User admin # note\nHost gw\n  User bob\n  Port 2200\n"
                     "Match exec \"false\"\n  Port 1\n");
    const auto shown =
        decoded<nlohmann::json>(home.run({"host", "show", "gw", "--effective", "--json"}));
    const std::string file = home.configPath();
    EXPECT_EQ(shown["alias"], "gw");
    EXPECT_EQ(shown["effective"],
              nlohmann::json::parse(R"([{"keyword":"user","value":"admin","file":")" + file +
                                    R"(","line":2},{"keyword":"port","value":"2200","file":")" +
                                    file + R"(","line":5}])"));
    EXPECT_EQ(shown["shadowed"][0]["value"], "bob");
    EXPECT_EQ(shown["shadowed"][0]["by"], (nlohmann::json{{"file", file}, {"line", 2}}));
    EXPECT_EQ(shown["unresolved"][0]["line"], 6);
    const auto bastion =
        decoded<nlohmann::json>(home.run({"host", "show", "bastion", "--effective", "--json"}));
    EXPECT_TRUE(bastion["effective"].empty());
}

// A rename keeps where the host connects, and the rules of a field hold for
// every spelling of its keyword.
TEST_F(EffectiveWritesTest, RenamesKeepTheHostNameTheAliasGave) {
    for (const std::string alias : {"prod-db", "prod-db !db"}) {
        home.writeConfig("Host\t" + alias + "\n  User admin\n");
        home.change({"host", "edit", alias, "--alias", "db-new"});
        EXPECT_EQ(home.ssh("db-new", "hostname"), "prod-db") << alias;
        EXPECT_EQ(home.ssh("db-new", "user"), "admin") << alias;
    }
    home.writeConfig("Host web\n  HostName %h.corp.example\n");
    home.change({"host", "edit", "web", "--alias", "web2"});
    EXPECT_EQ(home.ssh("web2", "hostname"), "web.corp.example");
}

// An option is judged by the block's own lines; one that only the defaults
// give is not the host's to remove, and says where it comes from. A default
// is judged by the blocks that decide it.
TEST_F(EffectiveWritesTest, OptionsAreJudgedByTheBlocksOwnLinesAndDefaultsByTheDecidingBlock) {
    home.writeConfig("Host *\n  Compression no\n  Hostname x\nHost web\n  compression yes\n"
                     "  ForwardAgent yes\nHost *\n  ServerAliveInterval 60\n");
    home.refused({"defaults", "set", "--option", "Hostname=8080 localhost:80"}, 2, "");
    home.refused({"host", "edit", "web", "--unset-option", "ServerAliveInterval"}, 2,
                 "ServerAliveInterval comes from ~/.ssh/config line 8");
    // The block's own line is what OpenSSH uses here only once it comes
    // first; removing it is a real change either way.
    home.change({"host", "edit", "web", "--unset-option", "Compression"});
    home.change({"host", "edit", "web", "--unset-option", "ForwardAgent"});
    EXPECT_EQ(
        home.config(),
        "Host *\n  Compression no\n  Hostname x\nHost web\nHost *\n  ServerAliveInterval 60\n");
    home.refused({"host", "edit", "web", "--unset-option", "Compression"}, 2,
                 "~/.ssh/config line 2");

    // A default that another block decides is refused.
    home.writeConfig("Host * !b\n  ProxyJump jump\n  User early\nHost *\n  Port 2000\n");
    home.refused({"defaults", "set", "--no-proxy-jump"}, 2, "Host * !b");
    home.refused({"defaults", "set", "--user", "late"}, 1, "Host * !b");
}

// Changes from the terminal, judged by OpenSSH: each finding of a user who
// tried the first versions is one test here.
using ConfigSafetyTest = CliTest;

// Only OpenSSH knows its option names; its own words name the real file, and
// the new file it judged is gone with the refusal.
TEST_F(ConfigSafetyTest, AnIncludedFileIsCheckedThroughAnIncludeAndNamedInTheMessage) {
    home.writeConfig("Include config.d/*\n");
    writeFile(home.sshPath("config.d/web"), "Host web\n  HostName w\n");
    home.refused({"host", "edit", "web", "--option", "Bogus=1"}, 1,
                 "~/.ssh/config.d/web: line 3: Bad configuration option: bogus");
    EXPECT_EQ(readFile(home.sshPath("config.d/web")), "Host web\n  HostName w\n");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.sshPath("")))
        EXPECT_THAT(entry.path().filename().string(), testing::Not(testing::StartsWith(".")));
}

TEST_F(ConfigSafetyTest, AnAliasMustNameOneHost) {
    home.writeConfig("Host web db\n  HostName h\n");
    const std::string message(InputRules::aliasRuleMessage);
    for (const std::string alias :
         {"a b", "a*", "!a", "a,b", "-oProxyCommand=x", "a\"b", "a;b", "#ab"}) {
        home.refused({"host", "add", "--hostname", "h", "--", alias}, 2, message);
        home.refused({"host", "edit", "web db", "--alias", alias}, 2, message);
    }
    // A host that has such an alias already can still be changed.
    home.change({"host", "edit", "web db", "--user", "u"});
    EXPECT_EQ(home.config(), "Host web db\n  HostName h\n  User u\n");
    EXPECT_EQ(home.run({"host", "command", "web db"}).out, "ssh web\n");
}

// A host edit that starts while the defaults are being changed works on the
// new defaults, never on what it would have read before: the lock is on the
// configuration, whatever metadata file each program uses.
TEST_F(ConfigSafetyTest, AnEditWaitsForTheChangeInProgressBeforeReading) {
    home.writeConfig("Host web\n  HostName w\n\nHost *\n  User old\n");
    SystemVaultStore store(SystemVaultStore::Options{.homedir = home.home(),
                                                     .userMetaPath = home.home() + "/other.json",
                                                     .backupFolder = home.home() + "/backups"});
    auto locks = std::make_unique<SystemVaultStore::ChangeLocks>(store);
    auto edit = std::async(std::launch::async, [&] {
        return home.run({"host", "edit", "web", "--port", "2022"});
    });
    ASSERT_TRUE(eventually([&] { return openElsewhere(home.sshPath("")); }));
    home.writeConfig("Host web\n  HostName w\n\nHost *\n  User new\n");
    locks.reset();
    EXPECT_EQ(edit.get().status, 0);
    EXPECT_EQ(home.config(), "Host web\n  HostName w\n  Port 2022\n\nHost *\n  User new\n");
}

} // namespace
} // namespace moorkeep::test
