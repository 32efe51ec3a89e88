#include "cli_home.h"
#include "model/input_rules.h"
#include "stores/system_vault_store.h"
#include "support/open_files.h"
#include "support/ssh_view.h"

#include <filesystem>
#include <future>

// Changes from the terminal, judged by OpenSSH: each finding of a user who
// tried the first versions is one test here.
namespace moorkeep::test {
namespace {

class ConfigSafetyTest : public ::testing::Test {
protected:
    SshView view(const std::string& host) const {
        return sshView(home.configPath(), host, home.home());
    }
    // The changes OpenSSH sees for the host when the command runs.
    std::set<std::string> changedBy(const std::vector<std::string>& command,
                                    const std::string& host) const {
        const SshView before = view(host);
        home.change(command);
        return changedKeywords(before, view(host));
    }
    void expectRefused(const std::vector<std::string>& command, int status = 2) const {
        const std::string before = home.config();
        const auto result = home.run(command);
        EXPECT_EQ(result.status, status) << result.err;
        EXPECT_FALSE(result.err.empty());
        EXPECT_EQ(home.config(), before) << "nothing was written";
    }

    CliHome home;
};

TEST_F(ConfigSafetyTest, AnEditLeavesEveryOtherLineOfTheBlock) {
    writeFile(home.sshPath("extra"), "Compression yes\n");
    const std::string block = "Host prod\n"
                              "  # production, ask ops first\n"
                              "  HostName prod.example.com\n"
                              "  IdentityFile ~/.ssh/id_prod\n"
                              "  IdentityFile ~/.ssh/work/id_work\n"
                              "  LocalForward 8080 localhost:80\n"
                              "  LocalForward 8443 localhost:443\n"
                              "  SendEnv LANG\n"
                              "  SendEnv LC_*\n"
                              "  Include " +
                              home.sshPath("extra") + "\n";
    const std::string defaults = "\nHost *\n  # for all\n  User ops\n  SendEnv TZ\n  SendEnv LC_*\n"
                                 "  IdentityFile ~/.ssh/work/id_work\n";
    home.writeConfig(block + defaults);
    EXPECT_EQ(changedBy({"host", "edit", "prod", "--port", "2222"}, "prod"),
              std::set<std::string>{"port"});
    EXPECT_EQ(home.config(), block + "  Port 2222\n" + defaults);
    EXPECT_EQ(changedBy({"defaults", "set", "--user", "deploy"}, "prod"),
              std::set<std::string>{"user"});
    EXPECT_EQ(home.config(), block + "  Port 2222\n\nHost *\n  # for all\n  User deploy\n"
                                     "  SendEnv TZ\n  SendEnv LC_*\n"
                                     "  IdentityFile ~/.ssh/work/id_work\n");
}

TEST_F(ConfigSafetyTest, HeadersWrittenWithEqualsEndTheBlockBeforeThem) {
    const std::string rest = "Host=bar\n  User b\nMatch=all\n  User m\n";
    home.writeConfig("Host foo\n  User f\n" + rest);
    EXPECT_EQ(changedBy({"host", "edit", "foo", "--user", "g"}, "bar"), std::set<std::string>{});
    EXPECT_EQ(home.config(), "Host foo\n  User g\n" + rest);
    home.change({"host", "rm", "foo"});
    EXPECT_EQ(home.config(), rest);
}

TEST_F(ConfigSafetyTest, PatternBlocksAreNeitherHostsNorDefaults) {
    const std::string corp = "Host *.corp\n  User deploy\n  ProxyJump gw.corp\n\n";
    home.writeConfig(corp + "Host web\n  HostName web.example.com\n\nHost *\n  Port 2200\n");
    EXPECT_EQ(home.aliases(), std::vector<std::string>{"web"});
    EXPECT_EQ(home.host("web").user, "");
    EXPECT_EQ(home.host("web").proxyJump, std::nullopt);
    EXPECT_EQ(changedBy({"defaults", "set", "--port", "2300"}, "web"),
              std::set<std::string>{"port"});
    EXPECT_EQ(home.config(),
              corp + "Host web\n  HostName web.example.com\n\nHost *\n  Port 2300\n");
}

TEST_F(ConfigSafetyTest, AnExplicitPort22IsKeptAndWritten) {
    home.writeConfig("Host foo\n  Port 22\n\nHost *\n  Port 2222\n");
    EXPECT_EQ(home.host("foo").port, 22);
    EXPECT_EQ(changedBy({"host", "edit", "foo", "--user", "x"}, "foo"),
              std::set<std::string>{"user"});
    EXPECT_EQ(view("foo").at("port"), std::vector<std::string>{"22"});
    home.change({"host", "add", "bar", "--hostname", "bar.example.com", "--port", "22"});
    EXPECT_NE(home.config().find("Host bar\n  HostName bar.example.com\n  Port 22\n"),
              std::string::npos)
        << home.config();
    EXPECT_EQ(home.host("bar").port, 22);
}

TEST_F(ConfigSafetyTest, ValuesOpenSSHWouldRejectAreRefusedAndNothingIsWritten) {
    home.writeConfig("Host foo\n  HostName foo.example.com\n");
    expectRefused({"host", "edit", "foo", "--user", "bob smith"});
    expectRefused({"host", "edit", "foo", "--hostname", "a b"});
    expectRefused({"host", "edit", "foo", "--proxy-jump", "\"gw\""});
    // Only OpenSSH knows its option names; its own words name the real file.
    const std::string before = home.config();
    const auto bogus = home.run({"host", "edit", "foo", "--option", "Bogus=1"});
    EXPECT_EQ(bogus.status, 1);
    EXPECT_NE(bogus.err.find("~/.ssh/config: line 3: Bad configuration option: bogus"),
              std::string::npos)
        << bogus.err;
    EXPECT_EQ(home.config(), before);
    // The new file, written while OpenSSH judged it, is gone with the refusal.
    for (const auto& entry : std::filesystem::directory_iterator(home.sshPath("")))
        EXPECT_EQ(entry.path().filename().string().rfind(".config.", 0), std::string::npos)
            << entry.path();
    // A stored host with a port OpenSSH rejects is never written.
    writeFile(home.metaPath(), R"({"version": 1, "hosts": [{"id": "U1", "alias": "far",
        "hostname": "far.example.com", "user": "", "port": 70000, "extraOptions": {},
        "source": "user"}], "keyMeta": []})");
    expectRefused({"host", "edit", "far", "--user", "x"});
}

TEST_F(ConfigSafetyTest, AFileOpenSSHAlreadyRejectsIsNotTheJudge) {
    const std::string broken = "Host foo\n  Bogus 1\n";
    home.writeConfig(broken);
    home.change({"host", "edit", "foo", "--user", "x"});
    EXPECT_EQ(home.config(), "Host foo\n  Bogus 1\n  User x\n");
}

TEST_F(ConfigSafetyTest, AnIncludedFileIsCheckedThroughAnIncludeAndNamedInTheMessage) {
    home.writeConfig("Include config.d/*\n");
    writeFile(home.sshPath("config.d/web"), "Host web\n  HostName w\n");
    const auto refused = home.run({"host", "edit", "web", "--option", "Bogus=1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("~/.ssh/config.d/web: line 3: Bad configuration option"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(readFile(home.sshPath("config.d/web")), "Host web\n  HostName w\n");
    home.change({"host", "edit", "web", "--user", "u"});
    EXPECT_EQ(readFile(home.sshPath("config.d/web")), "Host web\n  HostName w\n  User u\n");
}

TEST_F(ConfigSafetyTest, AnAliasMustNameOneHost) {
    home.writeConfig("Host web db\n  HostName h\n");
    const std::string message(InputRules::aliasRuleMessage);
    for (const std::string alias : {"a b", "a*", "!a", "a,b", "-oProxyCommand=x", "a\"b", "a;b"}) {
        const auto added = home.run({"host", "add", "--hostname", "h", "--", alias});
        EXPECT_EQ(added.status, 2) << alias << added.err;
        EXPECT_NE(added.err.find(message), std::string::npos) << added.err;
        EXPECT_EQ(home.run({"host", "edit", "web db", "--alias", alias}).status, 2) << alias;
    }
    EXPECT_EQ(home.config(), "Host web db\n  HostName h\n");
    // A host that has such an alias already can still be changed.
    home.change({"host", "edit", "web db", "--user", "u"});
    EXPECT_EQ(home.config(), "Host web db\n  HostName h\n  User u\n");
    EXPECT_EQ(home.run({"host", "command", "web db"}).out, "ssh web\n");
}

// Twenty processes, each with a metadata file of its own, edit twenty hosts
// at once: every edit is kept.
TEST_F(ConfigSafetyTest, ParallelEditsWithDifferentMetadataFilesAreAllKept) {
    constexpr int count = 20;
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "Host h" + std::to_string(i) + "\n  HostName h" + std::to_string(i) + ".example\n";
    home.writeConfig(text);
    std::vector<std::future<ProcessResult>> runs;
    for (int i = 0; i < count; ++i)
        runs.push_back(std::async(std::launch::async, [&, i] {
            return runProcess(cliPath,
                              {"--home", home.home(), "--meta",
                               home.home() + "/meta" + std::to_string(i) + ".json", "host", "edit",
                               "h" + std::to_string(i), "--port", std::to_string(3000 + i)});
        }));
    for (auto& run : runs) {
        const ProcessResult result = run.get();
        EXPECT_EQ(result.status, 0) << result.err;
    }
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(home.host("h" + std::to_string(i)).port, 3000 + i) << home.config();
}

// A host edit that starts while the defaults are being changed works on the
// new defaults, never on what it would have read before.
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

TEST_F(ConfigSafetyTest, EveryWriteCanBeUndoneFromItsBackup) {
    // The backups of this home's file, newest first; other tests' homes keep
    // theirs in the same folder.
    auto backupsHere = [&] {
        auto all = decoded<nlohmann::json>(home.run({"backup", "list", "--json"}));
        nlohmann::json here = nlohmann::json::array();
        for (const auto& backup : all)
            if (backup["file"] == home.configPath())
                here.push_back(backup);
        return here;
    };
    const std::string original = "# mine\r\nHost web\r\n\tHostName w\r\n";
    home.writeConfig(original);
    EXPECT_TRUE(backupsHere().empty());
    home.change({"host", "edit", "web", "--user", "u"});
    home.change({"host", "add", "db", "--hostname", "d"});
    auto backups = backupsHere();
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(backups[1]["file"], home.configPath());
    EXPECT_EQ(backups[1]["size"], original.size());
    const std::string oldest = backups[1]["id"];
    EXPECT_NE(home.run({"backup", "list"}).out.find(oldest), std::string::npos);
    const std::string edited = home.config();
    home.change({"backup", "restore", oldest});
    EXPECT_EQ(home.config(), original);
    // What the restore replaced was backed up first.
    backups = backupsHere();
    ASSERT_EQ(backups.size(), 3u);
    home.change({"backup", "restore", backups[0]["id"]});
    EXPECT_EQ(home.config(), edited);
    EXPECT_EQ(home.run({"backup", "restore", "no-such-backup"}).status, 2);
}

} // namespace
} // namespace moorkeep::test
