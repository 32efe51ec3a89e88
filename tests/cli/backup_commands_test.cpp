#include "cli_home.h"
#include "stores/config_backups.h"

// Every write keeps a backup of what it replaced; a restore puts back only a
// file OpenSSH accepts, only into this home's configuration.
namespace moorkeep::test {
namespace {

using BackupRestore = CliTest;

TEST_F(BackupRestore, UndoesEveryWrite) {
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
    home.change({"host", "edit", "web", "--user", "u"});
    home.change({"host", "add", "db", "--hostname", "d"});
    auto backups = backupsHere();
    ASSERT_EQ(backups.size(), 2u);
    EXPECT_EQ(backups[1]["size"], original.size());
    const std::string oldest = backups[1]["id"];
    EXPECT_THAT(home.run({"backup", "list"}).out, HasSubstr(oldest));
    const std::string edited = home.config();
    home.change({"backup", "restore", oldest});
    EXPECT_EQ(home.config(), original);
    // What the restore replaced was backed up first.
    backups = backupsHere();
    ASSERT_EQ(backups.size(), 3u);
    home.change({"backup", "restore", backups[0]["id"]});
    EXPECT_EQ(home.config(), edited);
    home.refused({"backup", "restore", "no-such-backup"}, 2, "");
}

// A backup as an earlier change would have left it, for the file given.
std::string plantBackup(const CliHome& home, const std::string& file, const std::string& bytes) {
    std::string name = "20260101T000000.000000Z_";
    for (char c : file)
        name += c == '/' ? std::string("%2F") : c == '%' ? std::string("%25") : std::string(1, c);
    writeFile(ConfigBackups::defaultFolder(home.home()) + "/" + name, bytes);
    return name;
}

// Only what OpenSSH accepts is put back, unless forced. A shared backups
// folder holds other homes' files, and its names can be planted: only a
// configuration file of this home is restored.
TEST_F(BackupRestore, PutsBackOnlyWhatOpenSSHAcceptsUnlessForcedAndOnlyIntoThisHome) {
    CliHome other;
    home.writeConfig("Host web\n  HostName w\n");
    other.writeConfig("Host other\n");
    writeFile(home.home() + "/notes.txt", "mine\n");
    const std::string id = plantBackup(home, home.configPath(), "Host web\n  Bogus yes\n");
    const auto refused =
        home.refused({"backup", "restore", id}, 1, "Bad configuration option: bogus\n");
    EXPECT_THAT(refused.err, HasSubstr("--force"));
    for (const auto& planted : {plantBackup(home, other.configPath(), "Host planted\n"),
                                plantBackup(home, home.home() + "/notes.txt", "planted\n")})
        home.refused({"backup", "restore", "--force", planted}, 1, "");
    EXPECT_EQ(other.config(), "Host other\n");
    EXPECT_EQ(readFile(home.home() + "/notes.txt"), "mine\n");
    home.change({"backup", "restore", "--force", id});
    EXPECT_EQ(home.config(), "Host web\n  Bogus yes\n");
}

} // namespace
} // namespace moorkeep::test
