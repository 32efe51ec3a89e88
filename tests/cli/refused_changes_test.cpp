#include "cli_home.h"
#include "stores/config_backups.h"

#include <filesystem>
#include <gtest/gtest.h>

// What the command line refuses to write, and what its reading commands
// and restores leave alone, on temporary homes with the real ssh and
// ssh-keygen.
namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;

class RefusedOptionName : public ::testing::TestWithParam<std::vector<std::string>> {};

// Quoted keywords are obeyed by OpenSSH, "#" turns the line into a comment.
TEST_P(RefusedOptionName, LeavesTheFileAsItWas) {
    CliHome home;
    home.writeConfig("Host web\n  HostName w\n");
    auto result = home.run(GetParam());
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(home.config(), "Host web\n  HostName w\n");
}

std::vector<std::vector<std::string>> optionCommands() {
    std::vector<std::vector<std::string>> commands;
    for (const std::string option :
         {"\"Include\"=x", "\"Host\"=x", "\"Match\"=all", "\"User\"=root", "#Compression=yes",
          "'Port'=23", "Comp-ression=yes"}) {
        commands.push_back({"host", "edit", "web", "--option", option});
        commands.push_back({"defaults", "set", "--option", option});
    }
    return commands;
}

INSTANTIATE_TEST_SUITE_P(Options, RefusedOptionName, ::testing::ValuesIn(optionCommands()),
                         [](const auto& info) { return caseName(info.param, info.index); });

// A backup as an earlier change would have left it, for the file given.
std::string plantBackup(const CliHome& home, const std::string& file, const std::string& bytes) {
    std::string name = "20260101T000000.000000Z_";
    for (char c : file)
        name += c == '/' ? std::string("%2F") : c == '%' ? std::string("%25") : std::string(1, c);
    writeFile(ConfigBackups::defaultFolder(home.home()) + "/" + name, bytes);
    return name;
}

TEST(BackupRestore, PutsBackOnlyWhatOpenSSHAcceptsUnlessForced) {
    CliHome home;
    home.writeConfig("Host web\n  HostName w\n");
    const std::string id = plantBackup(home, home.configPath(), "Host web\n  Bogus yes\n");
    auto refused = home.run({"backup", "restore", id});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Bad configuration option: bogus\n"), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(home.config(), "Host web\n  HostName w\n");

    home.change({"backup", "restore", "--force", id});
    EXPECT_EQ(home.config(), "Host web\n  Bogus yes\n");
    // What it replaced is a backup now.
    const ConfigBackups backups(ConfigBackups::defaultFolder(home.home()));
    bool kept = false;
    for (const auto& backup : backups.list())
        kept = kept || (backup.file == home.configPath() &&
                        backups.read(backup) == "Host web\n  HostName w\n");
    EXPECT_TRUE(kept);
}

// A shared backups folder holds other homes' files, and its names can be
// planted: only a configuration file of this home is restored.
TEST(BackupRestore, WritesOnlyIntoThisHomesConfiguration) {
    CliHome home;
    CliHome other;
    home.writeConfig("Host web\n");
    other.writeConfig("Host other\n");
    writeFile(home.home() + "/notes.txt", "mine\n");
    for (const auto& id : {plantBackup(home, other.configPath(), "Host planted\n"),
                           plantBackup(home, home.home() + "/notes.txt", "planted\n")}) {
        auto result = home.run({"backup", "restore", "--force", id});
        EXPECT_EQ(result.status, 1) << id;
    }
    EXPECT_EQ(other.config(), "Host other\n");
    EXPECT_EQ(readFile(home.home() + "/notes.txt"), "mine\n");
}

// A metadata file being written by another program, or broken, is left
// alone by every read; the first change keeps it aside once.
TEST(MetadataFile, ThatDoesNotDecodeIsLeftToReadsAndKeptAsideOnce) {
    CliHome home;
    home.makeKey("id_work");
    const std::string partial = "{\"version\": 1, \"keyMeta\": [";
    writeFile(home.metaPath(), partial);
    for (const auto& command : std::vector<std::vector<std::string>>{
             {"host", "list"}, {"key", "list"}, {"dump"}, {"defaults", "show"}})
        EXPECT_EQ(home.run(command).status, 0);
    EXPECT_EQ(readFile(home.metaPath()), partial);
    auto copies = [&] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(home.home()))
            count += entry.path().filename().string().starts_with("meta.json.unreadable-");
        return count;
    };
    EXPECT_EQ(copies(), 0);
    EXPECT_EQ(home.run({"key", "rename", "id_work", "Work"}).status, 0);
    writeFile(home.metaPath(), partial);
    EXPECT_EQ(home.run({"key", "rename", "id_work", "Job"}).status, 0);
    EXPECT_EQ(copies(), 1);
}

TEST(Passphrases, WithControlCharactersAreRefused) {
    CliHome home;
    home.makeKey("id_work");
    auto result = home.run({"key", "passwd", "id_work", "--stdin"}, "\nab\rcdefgh\n");
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_TRUE(home.keyOpensWith("id_work", ""));
}

TEST(Names, ThatMisleadAreRefusedOrShownEscaped) {
    CliHome home;
    home.makeKey("id_work");
    auto reversed = home.run({"key", "rename", "id_work", "evil\u202Etxt.exe"});
    EXPECT_EQ(reversed.status, 2) << reversed.err;

    // Escaped, a command for this alias would reach another host.
    home.writeConfig("Host web\x1b[2Kprod\n  HostName w\n");
    auto command = home.run({"host", "command", "web\x1b[2Kprod"});
    EXPECT_EQ(command.status, 2) << command.out;
    EXPECT_EQ(command.out, "");
    auto shown = home.run({"host", "show", "web\x1b[2Kprod"});
    EXPECT_EQ(shown.out.find("ssh "), std::string::npos) << shown.out;
}

} // namespace
} // namespace moorkeep::test
