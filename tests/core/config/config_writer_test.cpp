#include "config/config_writer.h"
#include "support/records.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace moorkeep {
namespace {

using test::defaults;
using test::host;
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
    const struct {
        const char* name;
        std::string actual, expected;
    } cases[] = {
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
    for (const auto& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(ConfigWriterTextTest, CheckWritableRefusesLineBreaksNulAndBadOptionNames) {
    const SSHHost good = host("web web2", "h", "u", 2222, "key-ed", "j",
                              {{"LocalForward", "8080 db:80"}, {"HostKeyAlias", "caf\xc3\xa9"}});
    EXPECT_NO_THROW(W::checkWritable(good, keys));
    const std::pair<const char*, std::function<void(SSHHost&)>> spoilers[] = {
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
    for (const auto& [name, spoil] : spoilers) {
        SSHHost bad = good;
        spoil(bad);
        EXPECT_THROW(W::checkWritable(bad, keys), std::invalid_argument) << name;
    }
    EXPECT_NO_THROW(W::checkWritable(someDefaults, keys));
    EXPECT_THROW(W::checkWritable(defaults("a\nb"), keys), std::invalid_argument);
    EXPECT_THROW(W::checkWritable(defaults("", 22, "", {}, {{"A B", "1"}}), keys),
                 std::invalid_argument);
}

TEST(ConfigWriterTextTest, CheckChangeRefusesWhatOpenSSHWouldRejectInTheGroupsWritten) {
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

} // namespace
} // namespace moorkeep
