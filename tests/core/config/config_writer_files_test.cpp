#include "config/config_writer.h"
#include "files/file_error.h"
#include "keys/key_tool.h"
#include "support/records.h"
#include "support/ssh_view.h"
#include "support/temp_dir.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep {
namespace {

using test::defaults;
using test::host;
using test::modeOf;
using test::readFile;
using test::sshView;
using test::statOf;
using test::writeFile;
namespace W = ConfigWriter;

const KeyIdToPath keys{{"key-ed", "~/.ssh/id_ed25519"}};
const SSHHost web = host("web", "web.example.com");

class ConfigWriterFileTest : public testing::Test {
protected:
    test::TempDir dir;
    std::string config = dir.file(".ssh/config");
};

// An edit of a block that is not there writes nothing, not even a missing
// file. Edits keep the permission bits; appends make the file owner-only.
TEST_F(ConfigWriterFileTest, EditsWriteOnlyWhatTheyFindKeepTheModeAndAppendsAreOwnerOnly) {
    EXPECT_FALSE(W::updateHostBlock(W::AtPath{config}, web, std::nullopt, {}, {}));
    EXPECT_FALSE(W::deleteHostBlock(W::AtPath{config}, "web"));
    EXPECT_NE(::access(config.c_str(), F_OK), 0);
    writeFile(config, "Host a\n  User x\n");
    const ino_t inode = statOf(config).st_ino;
    EXPECT_FALSE(W::updateHostBlock(W::AtPath{config}, web, std::nullopt, {}, {}));
    EXPECT_FALSE(W::deleteHostBlock(W::AtPath{config}, "web"));
    EXPECT_FALSE(W::updateDefaultsBlock(W::AtPath{config}, defaults("z"), {}));
    EXPECT_EQ(statOf(config).st_ino, inode);
    EXPECT_EQ(readFile(config), "Host a\n  User x\n");

    writeFile(config, "Host *\n  User x\n\nHost web\n  User y\n\nHost b\n");
    ::chmod(config.c_str(), 0640);
    EXPECT_TRUE(W::updateHostBlock(W::AtPath{config}, web, std::nullopt, {}, {}));
    EXPECT_TRUE(W::updateDefaultsBlock(W::AtPath{config}, defaults("z"), {}));
    EXPECT_TRUE(W::deleteHostBlock(W::AtPath{config}, "b"));
    EXPECT_EQ(modeOf(config), 0640u);
    EXPECT_EQ(readFile(config), "Host *\n  User z\n\nHost web\n  HostName web.example.com\n");

    W::appendHostBlock(W::AtPath{config}, host("c"), {}, {});
    EXPECT_EQ(modeOf(config), 0600u);
    ::chmod(config.c_str(), 0644);
    W::appendDefaultsBlock(W::AtPath{config}, defaults("admin"), std::nullopt, {});
    EXPECT_EQ(modeOf(config), 0600u);
    EXPECT_TRUE(readFile(config).ends_with("\nHost c\n\nHost *\n  User admin\n"));
}

TEST_F(ConfigWriterFileTest, FileThatIsNotUtf8IsRefusedAndLeftAsItWas) {
    const std::string latin1 = "Host *\n  User x\nHost web\n  # caf\xe9\n";
    writeFile(config, latin1);
    const std::function<void()> forms[] = {
        [&] { W::appendHostBlock(W::AtPath{config}, web, {}, {}); },
        [&] { W::updateHostBlock(W::AtPath{config}, web, std::nullopt, {}, {}); },
        [&] { W::deleteHostBlock(W::AtPath{config}, "web"); },
        [&] { W::updateDefaultsBlock(W::AtPath{config}, Defaults{}, {}); },
        [&] { W::appendDefaultsBlock(W::AtPath{config}, Defaults{}, std::nullopt, {}); },
    };
    for (const auto& form : forms) {
        EXPECT_THAT(form, testing::ThrowsMessage<FileError>(
                              config + " is not valid UTF-8 text; it was left unchanged."));
        EXPECT_EQ(readFile(config), latin1);
    }
}

TEST_F(ConfigWriterFileTest, SshReadsBackWhatEveryWritingOperationSaved) {
    // OpenSSH takes the first value it meets, so the Host * block stands last.
    const std::string top =
        "# global\nServerAliveInterval 30\n\nHost db\n  HostName db.internal\n  User dbuser\n";
    const std::string webBlock =
        "Host web\n\tHostName old.example.com\n\tUser olduser\n\tPort 2201\n\tCompression yes\n";
    const std::string bottom = "# about web\n\nHost *\n  User admin\n  Port 2222\n";
    const Defaults fileDefaults = defaults("admin", 2222);
    const SSHHost renamed = host("web2", "new.example.com", "deploy", 2200, "key-ed", "bastion",
                                 {{"Compression", "no"}, {"ServerAliveCountMax", "5"}});
    const Defaults newDefaults =
        defaults("ops", 2022, "key-ed", "bastion", {{"ServerAliveCountMax", "4"}});
    const auto found = [](bool wasFound) { EXPECT_TRUE(wasFound) << "block not found"; };

    const struct {
        const char* name;
        std::string before, block, after; // before and after stay byte for byte
        std::function<void(const W::AtPath&)> operation;
        std::string alias, hostname, user, port;
    } cases[] = {
        {"append host", top + webBlock + "# end", "", "",
         [](const W::AtPath& at) {
             W::appendHostBlock(at, host("api", "api.example.com", "svc", 2022, "key-ed"), {},
                                keys);
         },
         "api", "api.example.com", "svc", "2022"},
        {"update host to the defaults", top, webBlock, bottom,
         [&](const W::AtPath& at) {
             found(W::updateHostBlock(at, host("web", "new.example.com", "admin", 2222),
                                      std::nullopt, fileDefaults, keys));
         },
         "web", "new.example.com", "admin", "2222"},
        {"rename host", top, webBlock, bottom,
         [&](const W::AtPath& at) {
             found(W::updateHostBlock(at, renamed, "web", fileDefaults, keys));
         },
         "web2", "new.example.com", "deploy", "2200"},
        {"delete host", top, webBlock, bottom,
         [&](const W::AtPath& at) { found(W::deleteHostBlock(at, "web")); }, "web", "web", "admin",
         "2222"},
        {"append defaults", top + webBlock, "", "",
         [&](const W::AtPath& at) { W::appendDefaultsBlock(at, newDefaults, std::nullopt, keys); },
         "db", "db.internal", "dbuser", "2022"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(config, c.before + c.block + c.after);
        c.operation(W::AtPath{config});
        const std::string result = readFile(config);
        EXPECT_TRUE(result.starts_with(c.before)) << result;
        EXPECT_TRUE(result.ends_with(c.after)) << result;
        // What the real ssh client makes of the file for the alias.
        auto values = sshView(config, c.alias, dir.path());
        EXPECT_EQ(values["hostname"], std::vector{c.hostname}) << result;
        EXPECT_EQ(values["user"], std::vector{c.user}) << result;
        EXPECT_EQ(values["port"], std::vector{c.port}) << result;
    }
}

} // namespace
} // namespace moorkeep
