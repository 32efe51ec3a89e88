#include "config/config_parser.h"
#include "model/short_digest.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace moorkeep {
namespace {

using test::TempDir;
using test::writeFile;

class ConfigParserTest : public ::testing::Test {
protected:
    std::string ssh(const std::string& name) const { return home.file(".ssh/" + name); }

    ParsedConfig parseConfig(const std::string& text, const ConfigParser::KeyPathToId& keys = {}) {
        writeFile(ssh("config"), text);
        return ConfigParser::parse(ConfigParser::readLines(ssh("config"), home.path()), keys,
                                   home.path());
    }

    const SSHHost& host(const ParsedConfig& config, const std::string& alias) {
        for (const auto& h : config.hosts)
            if (h.alias == alias)
                return h;
        throw std::runtime_error("no host " + alias);
    }

    std::vector<std::string> aliases(const ParsedConfig& config) {
        std::vector<std::string> out;
        for (const auto& h : config.hosts)
            out.push_back(h.alias);
        return out;
    }

    TempDir home;
};

TEST_F(ConfigParserTest, HostIdIsShortDigestOfAlias) {
    EXPECT_EQ(ConfigParser::hostId("web"), shortDigest("ssh-config:web"));
    EXPECT_EQ(ConfigParser::hostId("web").size(), 16u);
    EXPECT_EQ(ConfigParser::hostId("web").find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST_F(ConfigParserTest, EmptyOrMissingConfigGivesNoHostsAndNoDefaults) {
    EXPECT_EQ(parseConfig(""), ParsedConfig{});
    EXPECT_TRUE(ConfigParser::readLines(ssh("nothing-here"), home.path()).empty());
}

TEST_F(ConfigParserTest, DefaultsCompleteHosts) {
    auto config = parseConfig("Host *\n"
                              "  User admin\n"
                              "  Port 2222\n"
                              "  HostName shared.example.com\n"
                              "\n"
                              "Host web\n"
                              "  Port 22\n"
                              "Host web2\n"
                              "  User bob\n"
                              "  HostName w2.example.com\n");
    const SSHHost& web = host(config, "web");
    EXPECT_EQ(web.user, "admin");
    EXPECT_EQ(web.port, 2222) << "an explicit port 22 still takes the defaults' port";
    EXPECT_EQ(web.hostname, "web");
    EXPECT_EQ(web.extraOptions.at("HostName"), "shared.example.com");
    EXPECT_EQ(web.source, HostSource::config);
    EXPECT_EQ(web.id, ConfigParser::hostId("web"));

    const SSHHost& web2 = host(config, "web2");
    EXPECT_EQ(web2.user, "bob");
    EXPECT_EQ(web2.hostname, "w2.example.com");
    EXPECT_EQ(config.defaults.user, "admin");
    EXPECT_EQ(config.defaults.sourceFile, ssh("config"));
}

TEST_F(ConfigParserTest, EveryWildcardBlockFeedsTheDefaults) {
    auto config = parseConfig("Host *.example.com\n"
                              "  User suffix\n"
                              "Host db?\n"
                              "  ProxyJump jump\n"
                              "Host a *\n"
                              "  ServerAliveInterval 30\n"
                              "Host real\n");
    EXPECT_EQ(aliases(config), std::vector<std::string>{"real"});
    EXPECT_EQ(config.defaults.user, "suffix");
    EXPECT_EQ(config.defaults.proxyJump, "jump");
    EXPECT_EQ(config.defaults.extraOptions.at("ServerAliveInterval"), "30");
    EXPECT_EQ(host(config, "real").proxyJump, "jump");
}

TEST_F(ConfigParserTest, LinesOutsideHostBlocksAreIgnored) {
    auto config = parseConfig("User global\n"
                              "Host web\n"
                              "  User w\n"
                              "Match host web exec true\n"
                              "  User matched\n"
                              "  Port 2000\n"
                              "Host\n"
                              "Host db\n");
    EXPECT_EQ(aliases(config), (std::vector<std::string>{"web", "db"}));
    EXPECT_EQ(host(config, "web").user, "w");
    EXPECT_EQ(host(config, "web").port, 22);
    EXPECT_EQ(config.defaults, Defaults{});
}

TEST_F(ConfigParserTest, BareHostKeywordKeepsThePreviousBlock) {
    auto config = parseConfig("Host web\n"
                              "Host\n"
                              "  User stays\n");
    EXPECT_EQ(aliases(config), std::vector<std::string>{"web"});
    EXPECT_EQ(host(config, "web").user, "stays");
}

TEST_F(ConfigParserTest, KeywordsInAnyCaseWithEqualsAndTabs) {
    auto config = parseConfig("HOST web\n"
                              "\tHOSTNAME=10.0.0.5\n"
                              "  user = deploy\n"
                              "\tPort  ==  2200\n"
                              "  proxyjump\tbastion\n"
                              "  ServerAliveInterval 60\n"
                              "  serveraliveinterval 30\n"
                              "  LocalForward 5433 localhost:5432   \n"
                              "  RemoteCommand echo #not a comment\n"
                              "  # a comment\n");
    const SSHHost& web = host(config, "web");
    EXPECT_EQ(web.hostname, "10.0.0.5");
    EXPECT_EQ(web.user, "deploy");
    EXPECT_EQ(web.port, 2200);
    EXPECT_EQ(web.proxyJump, "bastion");
    EXPECT_EQ(web.extraOptions, (OptionMap{{"ServerAliveInterval", "60"},
                                           {"serveraliveinterval", "30"},
                                           {"LocalForward", "5433 localhost:5432"},
                                           {"RemoteCommand", "echo #not a comment"}}));
}

TEST_F(ConfigParserTest, AliasIsTheWholeValue) {
    auto config = parseConfig("Host web web-alt\n"
                              "Host !bad\n"
                              "Host \"quoted\"\n");
    EXPECT_EQ(aliases(config), (std::vector<std::string>{"web web-alt", "!bad", "\"quoted\""}));
}

TEST_F(ConfigParserTest, CarriageReturnLineEndsAreLineEnds) {
    auto config = parseConfig("Host *\r\n  User admin\r\n\r\nHost web\r\n  HostName w.example\r\n"
                              "  Port 2022\r\n");
    ASSERT_EQ(aliases(config), std::vector<std::string>{"web"});
    const SSHHost& web = host(config, "web");
    EXPECT_EQ(web.hostname, "w.example");
    EXPECT_EQ(web.user, "admin");
    EXPECT_EQ(web.port, 2022);
}

TEST_F(ConfigParserTest, NotUtf8FileContributesNothing) {
    EXPECT_TRUE(parseConfig("Host web\n  User \xff\xfe\n").hosts.empty());
}

struct PortCase {
    const char* name;
    const char* value;
    std::int64_t port;
};

class PortValueTest : public ConfigParserTest, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortValueTest, ReadsWholeSignedDecimal) {
    auto config = parseConfig(std::string("Host web\n  Port ") + GetParam().value + "\n");
    EXPECT_EQ(host(config, "web").port, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortValueTest,
    ::testing::Values(PortCase{"plain", "2222", 2222}, PortCase{"letters", "ssh", 22},
                      PortCase{"negative", "-1", -1}, PortCase{"plus", "+80", 80},
                      PortCase{"zero", "0", 0}, PortCase{"innerSpace", "22 22", 22},
                      PortCase{"plusMinus", "+-5", 22}, PortCase{"signOnly", "-", 22},
                      PortCase{"overflow", "9223372036854775808", 22}, PortCase{"hex", "0x50", 22}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigParserTest, IdentityFileFindsKnownKeys) {
    const std::string keyPath = home.path() + "/.ssh/id_ed25519";
    ConfigParser::KeyPathToId keys{{keyPath, "k1"}, {home.path() + "/.ssh/work", "k2"}};
    auto config = parseConfig("Host *\n"
                              "  IdentityFile ~/.ssh/work\n"
                              "Host tilde\n"
                              "  IdentityFile ~/.ssh/id_ed25519\n"
                              "Host full\n"
                              "  IdentityFile " +
                                  keyPath +
                                  "\n"
                                  "Host quoted\n"
                                  "  IdentityFile \"~/.ssh/id_ed25519\"\n"
                                  "Host outside\n"
                                  "  IdentityFile /etc/ssh/key\n"
                                  "Host lastWins\n"
                                  "  IdentityFile ~/.ssh/id_ed25519\n"
                                  "  IdentityFile ~/.ssh/unknown\n",
                              keys);
    EXPECT_EQ(config.defaults.keyId, "k2");
    EXPECT_EQ(host(config, "tilde").keyId, "k1");
    EXPECT_EQ(host(config, "full").keyId, "k1");
    EXPECT_EQ(host(config, "quoted").keyId, "k2") << "unknown forms fall back to the defaults";
    EXPECT_EQ(host(config, "outside").keyId, "k2");
    EXPECT_EQ(host(config, "lastWins").keyId, "k2");
}

TEST_F(ConfigParserTest, NoKeyWithoutDefaultKeyIsAbsent) {
    auto config = parseConfig("Host *\n  IdentityFile ~/.ssh/missing\nHost web\n");
    EXPECT_EQ(config.defaults.keyId, "");
    EXPECT_EQ(host(config, "web").keyId, std::nullopt);
}

TEST_F(ConfigParserTest, IncludedDirectoryIsReadInNameOrderAtItsPlace) {
    writeFile(ssh("config.d/20-db"), "Host db\n  User postgres\n");
    writeFile(ssh("config.d/10-web"), "Host web\n  User www\n");
    auto config = parseConfig("Host first\n"
                              "Include ~/.ssh/config.d/*\n"
                              "Host last\n");
    EXPECT_EQ(aliases(config), (std::vector<std::string>{"first", "web", "db", "last"}));
    auto lines = ConfigParser::readLines(ssh("config"), home.path());
    EXPECT_EQ(lines[1].sourceFile, ssh("config.d/10-web"));
    EXPECT_EQ(lines[1].directive, "Host");
}

TEST_F(ConfigParserTest, IncludeInsideABlockContinuesIt) {
    writeFile(ssh("extra"), "  User fromInclude\nHost other\n");
    auto config = parseConfig("Host web\n  include extra\n  Port 2000\n");
    EXPECT_EQ(aliases(config), (std::vector<std::string>{"web", "other"}));
    EXPECT_EQ(host(config, "web").user, "fromInclude");
    EXPECT_EQ(host(config, "web").port, 22) << "lines after the include belong to 'other'";
    EXPECT_EQ(host(config, "other").port, 2000);
}

TEST_F(ConfigParserTest, IncludeCyclesAndMissingFilesEndQuietly) {
    writeFile(ssh("config.d/loop"),
              "Host looped\nInclude ~/.ssh/config\nInclude ~/.ssh/config.d/*\n");
    auto config = parseConfig("Include ~/.ssh/config.d/*\n"
                              "Include ~/.ssh/missing\n"
                              "Include ~/.ssh/nothing/*\n"
                              "Host main\n");
    EXPECT_EQ(aliases(config), (std::vector<std::string>{"looped", "main"}));
}

TEST_F(ConfigParserTest, RelativeAndSeveralIncludePaths) {
    writeFile(ssh("a.conf"), "Host a\n");
    writeFile(ssh("b.conf"), "Host b\n");
    writeFile(home.file("c.conf"), "Host c\n");
    auto config = parseConfig("Include b.conf a.conf ~/c.conf\n");
    EXPECT_EQ(aliases(config), (std::vector<std::string>{"b", "a", "c"}));
}

TEST_F(ConfigParserTest, TildeMeansTheGivenHome) {
    TempDir other;
    writeFile(other.file(".ssh/config"), "Host otherHome\n");
    writeFile(ssh("config"), "Host mine\n");
    auto lines = ConfigParser::readLines("~/.ssh/config", home.path());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].value, "mine");
    EXPECT_EQ(lines[0].sourceFile, ssh("config"));
}

TEST_F(ConfigParserTest, DuplicateAliasesStayTwoHosts) {
    auto config = parseConfig("Host web\n  User a\nHost web\n  User b\n");
    ASSERT_EQ(config.hosts.size(), 2u);
    EXPECT_EQ(config.hosts[0].id, config.hosts[1].id);
    EXPECT_EQ(config.hosts[1].user, "b");
}

TEST(ConfigSplitTest, SeparatorsOfAnyMix) {
    for (const char* line : {"Port 22", "Port=22", "Port = 22", "Port  ==  22", "Port\t22  "}) {
        std::string keyword, value;
        ASSERT_TRUE(ConfigParser::splitDirective(line, keyword, value)) << line;
        EXPECT_EQ(keyword, "Port");
        EXPECT_EQ(value, "22") << line;
    }
    std::string keyword, value;
    EXPECT_FALSE(ConfigParser::splitDirective("Host", keyword, value));
    EXPECT_FALSE(ConfigParser::splitDirective("Host   ", keyword, value));
    EXPECT_FALSE(ConfigParser::splitDirective("=value", keyword, value));
}

} // namespace
} // namespace moorkeep
