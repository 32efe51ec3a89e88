#include "config/config_writer.h"
#include "files/file_error.h"
#include "record_builders.h"
#include "support/temp_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep {
namespace {

using test::readFile;
using test::writeFile;

const SSHHost web = test::host("web").hostname("web.example.com");
const std::string webBlock = "Host web\n  HostName web.example.com\n";

struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

mode_t modeOf(const std::string& path) {
    return statOf(path).st_mode & 07777;
}

class ConfigWriterFiles : public testing::Test {
protected:
    test::TempDir dir;
    std::string config = dir.file(".ssh/config");
};

TEST_F(ConfigWriterFiles, AppendCreatesFoldersOwnerOnly) {
    ConfigWriter::appendHostBlock(ConfigWriter::AtPath{config}, web, {}, {});
    EXPECT_EQ(readFile(config), webBlock);
    EXPECT_EQ(modeOf(config), 0600u);
    EXPECT_EQ(modeOf(dir.file(".ssh")), 0700u);
}

TEST_F(ConfigWriterFiles, AppendMakesAnExistingFileOwnerOnly) {
    writeFile(config, "Host a\n");
    ::chmod(config.c_str(), 0644);
    ConfigWriter::appendHostBlock(ConfigWriter::AtPath{config}, web, {}, {});
    EXPECT_EQ(readFile(config), "Host a\n\n" + webBlock);
    EXPECT_EQ(modeOf(config), 0600u);
}

TEST_F(ConfigWriterFiles, AppendDefaultsBlockWritesAndProtects) {
    writeFile(config, "Host a\n");
    ::chmod(config.c_str(), 0644);
    ConfigWriter::appendDefaultsBlock(ConfigWriter::AtPath{config}, test::defaults().user("admin"),
                                      {});
    EXPECT_EQ(readFile(config), "Host a\n\nHost *\n  User admin\n");
    EXPECT_EQ(modeOf(config), 0600u);
}

TEST_F(ConfigWriterFiles, EditsKeepThePermissionBits) {
    writeFile(config, "Host *\n  User x\n\nHost web\n  User y\n\nHost b\n");
    ::chmod(config.c_str(), 0640);
    EXPECT_TRUE(
        ConfigWriter::updateHostBlock(ConfigWriter::AtPath{config}, web, std::nullopt, {}, {}));
    EXPECT_EQ(modeOf(config), 0640u);
    EXPECT_TRUE(ConfigWriter::updateDefaultsBlock(ConfigWriter::AtPath{config},
                                                  test::defaults().user("z"), {}));
    EXPECT_EQ(modeOf(config), 0640u);
    EXPECT_TRUE(ConfigWriter::deleteHostBlock(ConfigWriter::AtPath{config}, "b"));
    EXPECT_EQ(modeOf(config), 0640u);
    EXPECT_EQ(readFile(config), "Host *\n  User z\n\n" + webBlock);
}

TEST_F(ConfigWriterFiles, BlockNotFoundWritesNothing) {
    writeFile(config, "Host a\n  User x\n");
    const ino_t inode = statOf(config).st_ino;
    EXPECT_FALSE(
        ConfigWriter::updateHostBlock(ConfigWriter::AtPath{config}, web, std::nullopt, {}, {}));
    EXPECT_FALSE(ConfigWriter::deleteHostBlock(ConfigWriter::AtPath{config}, "web"));
    EXPECT_FALSE(ConfigWriter::updateDefaultsBlock(ConfigWriter::AtPath{config},
                                                   test::defaults().user("z"), {}));
    EXPECT_EQ(statOf(config).st_ino, inode);
    EXPECT_EQ(readFile(config), "Host a\n  User x\n");
}

TEST_F(ConfigWriterFiles, MissingFileIsEmptyAndStaysMissing) {
    EXPECT_FALSE(
        ConfigWriter::updateHostBlock(ConfigWriter::AtPath{config}, web, std::nullopt, {}, {}));
    EXPECT_FALSE(ConfigWriter::deleteHostBlock(ConfigWriter::AtPath{config}, "web"));
    EXPECT_FALSE(ConfigWriter::updateDefaultsBlock(ConfigWriter::AtPath{config}, Defaults{}, {}));
    EXPECT_NE(::access(config.c_str(), F_OK), 0);
}

TEST_F(ConfigWriterFiles, WritesThroughASymlinkAndKeepsIt) {
    const std::string target = dir.file("dotfiles/ssh_config");
    writeFile(target, "Host web\n  User x\n");
    ::chmod(target.c_str(), 0640);
    ASSERT_EQ(::mkdir(dir.file(".ssh").c_str(), 0700), 0);
    ASSERT_EQ(::symlink("../dotfiles/ssh_config", config.c_str()), 0);

    EXPECT_TRUE(
        ConfigWriter::updateHostBlock(ConfigWriter::AtPath{config}, web, std::nullopt, {}, {}));
    EXPECT_TRUE(S_ISLNK(statOf(config).st_mode));
    EXPECT_EQ(readFile(target), webBlock);
    EXPECT_EQ(modeOf(target), 0640u);

    ConfigWriter::appendHostBlock(ConfigWriter::AtPath{config}, test::host("b"), {}, {});
    EXPECT_TRUE(S_ISLNK(statOf(config).st_mode));
    EXPECT_EQ(readFile(target), webBlock + "\nHost b\n");
    EXPECT_EQ(modeOf(target), 0600u);
}

TEST_F(ConfigWriterFiles, CrLfFileIsEditedInItsOwnLineEnds) {
    writeFile(config, "# mine\r\nHost web\r\n\tUser x\r\n\r\nHost b\r\n");
    EXPECT_TRUE(
        ConfigWriter::updateHostBlock(ConfigWriter::AtPath{config}, web, std::nullopt, {}, {}));
    EXPECT_EQ(readFile(config),
              "# mine\r\nHost web\r\n\tHostName web.example.com\r\n\r\nHost b\r\n");
    ConfigWriter::appendHostBlock(ConfigWriter::AtPath{config}, test::host("c").port(2), {}, {});
    EXPECT_EQ(readFile(config), "# mine\r\nHost web\r\n\tHostName web.example.com\r\n\r\n"
                                "Host b\r\n\r\nHost c\r\n  Port 2\r\n");
}

// Each file form once, for the refusals below.
const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> fileForms{
    {"appendHostBlock",
     [](const std::string& path) {
         ConfigWriter::appendHostBlock(ConfigWriter::AtPath{path}, web, {}, {});
     }},
    {"updateHostBlock",
     [](const std::string& path) {
         ConfigWriter::updateHostBlock(ConfigWriter::AtPath{path}, web, std::nullopt, {}, {});
     }},
    {"deleteHostBlock",
     [](const std::string& path) {
         ConfigWriter::deleteHostBlock(ConfigWriter::AtPath{path}, "web");
     }},
    {"updateDefaultsBlock",
     [](const std::string& path) {
         ConfigWriter::updateDefaultsBlock(ConfigWriter::AtPath{path}, Defaults{}, {});
     }},
    {"appendDefaultsBlock",
     [](const std::string& path) {
         ConfigWriter::appendDefaultsBlock(ConfigWriter::AtPath{path}, Defaults{}, {});
     }},
};

TEST_F(ConfigWriterFiles, FileThatIsNotUtf8IsRefusedAndLeftAsItWas) {
    const std::string latin1 = "Host *\n  User x\nHost web\n  # caf\xe9\n";
    writeFile(config, latin1);
    for (const auto& [name, form] : fileForms) {
        SCOPED_TRACE(name);
        try {
            form(config);
            ADD_FAILURE() << "no error";
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()),
                      config + " is not valid UTF-8 text; it was left unchanged.");
        }
        EXPECT_EQ(readFile(config), latin1);
    }
}

TEST_F(ConfigWriterFiles, FileThatCannotBeReadIsRefused) {
    // A folder in the file's place: opening works, reading fails, even as root.
    ASSERT_EQ(::mkdir(dir.file(".ssh").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(config.c_str(), 0700), 0);
    for (const auto& [name, form] : fileForms) {
        SCOPED_TRACE(name);
        EXPECT_THROW(form(config), FileError);
        EXPECT_TRUE(S_ISDIR(statOf(config).st_mode));
    }
}

TEST_F(ConfigWriterFiles, ValuesThatWouldBreakTheFileAreRefusedBeforeWriting) {
    const std::string before = "Host *\n  User x\n\nHost web\n  User y\n";
    writeFile(config, before);
    const SSHHost broken = test::host("web").hostname("evil\nHost *");
    const Defaults brokenDefaults = test::defaults().user("x\r");
    EXPECT_THROW(ConfigWriter::appendHostBlock(ConfigWriter::AtPath{config}, broken, {}, {}),
                 std::invalid_argument);
    EXPECT_THROW(
        ConfigWriter::updateHostBlock(ConfigWriter::AtPath{config}, broken, std::nullopt, {}, {}),
        std::invalid_argument);
    EXPECT_THROW(
        ConfigWriter::updateDefaultsBlock(ConfigWriter::AtPath{config}, brokenDefaults, {}),
        std::invalid_argument);
    EXPECT_THROW(
        ConfigWriter::appendDefaultsBlock(ConfigWriter::AtPath{config}, brokenDefaults, {}),
        std::invalid_argument);
    EXPECT_EQ(readFile(config), before);

    const std::string fresh = dir.file("other/config");
    EXPECT_THROW(ConfigWriter::appendHostBlock(ConfigWriter::AtPath{fresh}, broken, {}, {}),
                 std::invalid_argument);
    EXPECT_NE(::access(dir.file("other").c_str(), F_OK), 0);
}

} // namespace
} // namespace moorkeep
