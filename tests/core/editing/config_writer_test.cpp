#include "editing/config_writer.h"
#include "files/file_error.h"
#include "keys/key_tool.h"
#include "support/records.h"
#include "support/ssh_view.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

// The writer on texts, then on files, with the real ssh reading back what
// it wrote.
namespace moorkeep::test {
namespace {

namespace W = ConfigWriter;

const KeyIdToPath keys{{"key-ed", "~/.ssh/id_ed25519"},
                       {"key-rsa", "~/.ssh/id_rsa"},
                       {"key-bad", "~/.ssh/id\nHost *"}};
const SSHHost web = host("web", "web.example.com", "deploy");
const std::string webBody = "  HostName web.example.com\n  User deploy\n";
const Defaults someDefaults =
    defaults("admin", 2222, "key-rsa", "bastion", {{"Compression", "yes"}});

// Each row: what an edit made of a text, and what it must make.
TEST(ConfigWriterTextTest, EditsOnlyTheBlockAndWritesOnlyWhatTheDefaultsDoNotGive) {
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"append to empty", W::appendHostBlock("", web, {}, keys), "Host web\n" + webBody},
        {"append without final line feed", W::appendHostBlock("Host a\n  User x", web, {}, keys),
         "Host a\n  User x\n\nHost web\n" + webBody},
        {"append to CR LF text", W::appendHostBlock("Host a\r\n", host("web", "h"), {}, keys),
         "Host a\r\n\r\nHost web\r\n  HostName h\r\n"},
        {"host equal to the defaults is a header only",
         W::appendHostBlock(
             "", host("web", "web", "admin", 2222, "key-rsa", "bastion", {{"Compression", "yes"}}),
             someDefaults, keys),
         "Host web\n"},
        {"port 22 while the defaults say 2222 is written",
         W::appendHostBlock("", host("web"), defaults("", 2222), keys), "Host web\n  Port 22\n"},
        {"everything in order",
         W::appendHostBlock("",
                            host("web", "10.0.0.5", "deploy", 2200, "key-ed", "jump",
                                 {{"b", "2"}, {"A", "1"}, {"Compression", "no"}}),
                            someDefaults, keys),
         "Host web\n  HostName 10.0.0.5\n  User deploy\n  Port 2200\n"
         "  IdentityFile ~/.ssh/id_ed25519\n  ProxyJump jump\n  A 1\n  Compression no\n  b 2\n"},
        {"rename in place",
         W::updateHostBlock("Host a\n\nHost old\n  User y\n\nHost c\n", host("new", "n"), "old", {},
                            keys),
         "Host a\n\nHost new\n  HostName n\n\nHost c\n"},
        {"changed group in place, new group after the last line, tab indentation kept",
         W::updateHostBlock("Host web\n\tUser x\n", web, {}, {}, keys),
         "Host web\n\tUser deploy\n\tHostName web.example.com\n"},
        {"comments kept, a group that needs no line removed",
         W::updateHostBlock("Host web\n  User x\n  # inside\n  Port 2\n  # after\n\nHost b\n", web,
                            {}, {}, keys),
         "Host web\n  User deploy\n  # inside\n  HostName web.example.com\n  # after\n\nHost b\n"},
        {"Include inside the block kept",
         W::updateHostBlock("Host web\n  Include ~/.ssh/extra\n  User x\n", web, {}, {}, keys),
         "Host web\n  Include ~/.ssh/extra\n  User deploy\n  HostName web.example.com\n"},
        {"update in CR LF text",
         W::updateHostBlock("# top\r\nHost web\r\n  User x\r\n\r\nHost b\r\n", web, {}, {}, keys),
         "# top\r\nHost web\r\n  User deploy\r\n  HostName web.example.com\r\n\r\nHost b\r\n"},
        {"every line of a changed group replaced by one, in any spelling",
         W::updateHostBlock(
             "Host web\n  user a\n  SendEnv A\n  USER=b\n  sendenv B\n",
             host("web", "web", "c", 22, {}, {}, {{"SendEnv", "A"}, {"sendenv", "B"}}), {}, {},
             keys),
         "Host web\n  User c\n  SendEnv A\n  sendenv B\n"},
        {"host in an included file is not found",
         W::updateHostBlock("Include ~/.ssh/config.d/*\n", web, {}, {}, keys),
         "Include ~/.ssh/config.d/*\n"},
        {"Host=web is found, its header kept",
         W::updateHostBlock("Host=web\n  User x\n", web, {}, {}, keys),
         "Host=web\n  User deploy\n  HostName web.example.com\n"},
        {"Host=b ends the block before it",
         W::deleteHostBlock("Host a\n  User x\nHost=b\n  User y\nmatch=all\n  User z\n", "a"),
         "Host=b\n  User y\nmatch=all\n  User z\n"},
        {"delete the only block with blank lines",
         W::deleteHostBlock("\n \n\t\nHost web\n  User y\n\n# end\n", "web"), "\n# end\n"},
        {"delete the only block", W::deleteHostBlock("Host web\n  User y\n", "web"), ""},
        {"defaults in order",
         W::updateDefaultsBlock(
             "Host web\n\nHost *\n  User x\n",
             defaults("admin", 2222, "key-ed", "bastion", {{"b", "2"}, {"A", "1"}}), keys),
         "Host web\n\nHost *\n  User admin\n  Port 2222\n  IdentityFile ~/.ssh/id_ed25519\n"
         "  ProxyJump bastion\n  A 1\n  b 2\n"},
        {"lower-case defaults header with spaces is found",
         W::updateDefaultsBlock("host   *  \n\tUser x\n# after\n", defaults("root"), keys),
         "host   *  \n\tUser root\n# after\n"},
        {"defaults in CR LF text",
         W::updateDefaultsBlock("Host *\r\n  User x\r\n\r\nHost a\r\n", defaults("", 2), keys),
         "Host *\r\n  Port 2\r\n\r\nHost a\r\n"},
        {"'Host * !x' is not the defaults",
         W::updateDefaultsBlock("Host * !x\n  User x\n", defaults("root"), keys),
         "Host * !x\n  User x\n"},
        {"no Host * leaves the text unchanged",
         W::updateDefaultsBlock("Host a\n  User x\n", defaults("root"), keys),
         "Host a\n  User x\n"},
        {"append a defaults block",
         W::appendDefaultsBlock("Host web\n\tUser x",
                                defaults("admin", 2222, "key-ed", {}, {{"b", "2"}, {"A", "1"}}),
                                std::nullopt, keys),
         "Host web\n\tUser x\n\nHost *\n  User admin\n  Port 2222\n"
         "  IdentityFile ~/.ssh/id_ed25519\n  A 1\n  b 2\n"},
    };
    for (const auto& [name, actual, expected] : cases)
        EXPECT_EQ(actual, expected) << name;
}

// Nothing is written with a line break, a NUL or a bad option name; a
// change is refused for what OpenSSH would reject in the groups it writes.
TEST(ConfigWriterTextTest, ChecksRefuseWhatWouldBreakTheFileOrWhatOpenSSHWouldReject) {
    const SSHHost good = host("web web2", "h", "u", 2222, "key-ed", "j",
                              {{"LocalForward", "8080 db:80"}, {"HostKeyAlias", "caf\xc3\xa9"}});
    EXPECT_NO_THROW(W::checkWritable(good, keys));
    const std::pair<const char*, std::function<void(SSHHost&)>> breakers[] = {
        {"alias with LF", [](SSHHost& h) { h.alias = "web\nHost *"; }},
        {"host name with CR", [](SSHHost& h) { h.hostname = "a\rb"; }},
        {"user with NUL", [](SSHHost& h) { h.user = std::string("a\0b", 3); }},
        {"key path with LF", [](SSHHost& h) { h.keyId = "key-bad"; }},
        {"option value with LF", [](SSHHost& h) { h.extraOptions["A"] = "yes\nUser root"; }},
        {"option name with LF", [](SSHHost& h) { h.extraOptions["A\nUser"] = "yes"; }},
        {"empty option name", [](SSHHost& h) { h.extraOptions[""] = "yes"; }},
        {"option name with space", [](SSHHost& h) { h.extraOptions["Send Env"] = "A"; }},
        {"option name with =", [](SSHHost& h) { h.extraOptions["SendEnv=A"] = "B"; }},
        {"option named host", [](SSHHost& h) { h.extraOptions["host"] = "other"; }},
    };
    for (const auto& [name, spoil] : breakers) {
        SSHHost bad = good;
        spoil(bad);
        EXPECT_THROW(W::checkWritable(bad, keys), std::invalid_argument) << name;
    }
    EXPECT_NO_THROW(W::checkWritable(someDefaults, keys));
    EXPECT_THROW(W::checkWritable(defaults("a\nb"), keys), std::invalid_argument);
    EXPECT_THROW(W::checkWritable(defaults("", 22, "", {}, {{"A B", "1"}}), keys),
                 std::invalid_argument);

    const SSHHost quoted = host("web", "web", "\"bob smith\"", 70000);
    EXPECT_NO_THROW(W::checkChange(quoted, quoted, {}, keys))
        << "values already in the file are not judged again";
    const std::pair<const char*, std::function<void(SSHHost&)>> spoilers[] = {
        {"port 0", [](SSHHost& h) { h.port = 0; }},
        {"port 65536", [](SSHHost& h) { h.port = 65536; }},
        {"user with a space", [](SSHHost& h) { h.user = "bob smith"; }},
        {"host name with a tab", [](SSHHost& h) { h.hostname = "a\tb"; }},
        {"jump host with a quote", [](SSHHost& h) { h.proxyJump = "\"gw\""; }},
        {"user with a single quote", [](SSHHost& h) { h.user = "o'brien"; }},
    };
    for (const auto& [name, spoil] : spoilers) {
        SSHHost bad = web;
        spoil(bad);
        EXPECT_THROW(W::checkChange(web, bad, {}, keys), std::invalid_argument) << name;
        EXPECT_THROW(W::checkChange(std::nullopt, bad, {}, keys), std::invalid_argument) << name;
    }
    EXPECT_NO_THROW(W::checkChange(web, host("web", "h", "u", 65535), {}, keys));
    EXPECT_THROW(W::checkChange(std::nullopt, defaults("a b"), keys), std::invalid_argument);
    EXPECT_THROW(W::checkChange(defaults(), defaults("", 0), keys), std::invalid_argument);
}

class ConfigWriterFileTest : public testing::Test {
protected:
    TempDir dir;
    std::string config = dir.file(".ssh/config");
};

// An edit of a block that is not there writes nothing, not even a missing
// file, and no edit changes a file that is not UTF-8. Edits keep the
// permission bits; appends make the file owner-only.
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
    // Nor does any edit of a file that is not UTF-8.
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

    writeFile(config, "Host *\n  User x\n\nHost web\n  User y\n\nHost b\n");
    ::chmod(config.c_str(), 0640);
    EXPECT_TRUE(W::updateHostBlock(W::AtPath{config}, host("web", "web.example.com"), std::nullopt,
                                   {}, {}));
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
} // namespace moorkeep::test
