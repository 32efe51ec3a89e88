#include "reading/config_document.h"
#include "reading/config_parser.h"
#include "support/records.h"
#include "support/ssh_view.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace moorkeep::test {
namespace {

using Kind = ConfigReadProblem::Kind;
using Names = std::vector<std::string>;

class ConfigParserTest : public ::testing::Test {
protected:
    std::string ssh(const std::string& name) const { return home.file(".ssh/" + name); }

    ParsedConfig parseConfig(const std::string& text, const ConfigParser::KeyPathToId& keys = {}) {
        writeFile(ssh("config"), text);
        return ConfigParser::parse(ConfigParser::readLines(ssh("config"), home.path()), keys,
                                   home.path());
    }

    // The host of that alias; out_of_range when there is none.
    static const SSHHost& host(const ParsedConfig& config, const std::string& alias) {
        const auto& hosts = config.hosts;
        return hosts.at(std::ranges::find(hosts, alias, &SSHHost::alias) - hosts.begin());
    }

    static std::vector<std::string> aliases(const ParsedConfig& config) {
        std::vector<std::string> out;
        for (const auto& h : config.hosts)
            out.push_back(h.alias);
        return out;
    }

    TempDir home;
};

TEST_F(ConfigParserTest, DefaultsCompleteHostsWrittenInAnySpelling) {
    auto config = parseConfig("Host *\n  User admin\n  Port 2222\n  HostName shared.example.com\n\n"
                              "Host web\n  Port 22\n"
                              "Host web2\n  User bob\n  HostName w2.example.com\n");
    // A Port line of its own wins, 22 included. The id is a stable digest of
    // the alias.
    EXPECT_EQ(host(config, "web"),
              test::host("web", "web", "admin", 22, {}, {}, {{"HostName", "shared.example.com"}},
                         HostSource::config, "cc44477c874008fb"));
    EXPECT_EQ(host(config, "web2"), test::host("web2", "w2.example.com", "bob", 2222, {}, {},
                                               {{"HostName", "shared.example.com"}},
                                               HostSource::config, ConfigParser::hostId("web2")));
    EXPECT_EQ(config.defaults.sourceFile, ssh("config"));

    // Keywords in any case, with "=", tabs and CR LF.
    config = parseConfig("HOST web\r\n\tHOSTNAME=10.0.0.5\r\n  user = deploy\n\tPort  =  2200\r\n"
                         "  proxyjump\tbastion\n  LocalForward 5433 localhost:5432   \r\n"
                         "  # a comment\r\n");
    EXPECT_EQ(host(config, "web"), test::host("web", "10.0.0.5", "deploy", 2200, {}, "bastion",
                                              {{"LocalForward", "5433 localhost:5432"}},
                                              HostSource::config, ConfigParser::hostId("web")));
}

// A block with a negated pattern does not apply to every host, so it holds no
// defaults; "*" beside other patterns still takes every name.
// The parser and the document read a line as OpenSSH 9.2 does: the value
// is what `ssh -G` takes, or nothing where it takes none.
TEST_F(ConfigParserTest, EverySpellingOfALineIsReadAsSshReadsIt) {
    writeFile(ssh("plain"), "Host web\n");
    const std::string noUser = sshView(ssh("plain"), "web", home.path()).at("user").front();
    for (const std::string line :
         {"\"User\" bob", "User=bob", "User = bob", "\tUSER\t=\tbob \t\r", "User\rbob",
          "User bob\f", "Us\"er\" bob", "\"\" User bob", "= User bob", " \r User bob", "User  =bob",
          "\"User\"=bob", "\"#User\" bob", "\"User bob"}) {
        const auto config = parseConfig("Host web\n" + line + "\n");
        std::string user = sshView(ssh("config"), "web", home.path()).at("user").front();
        if (user == noUser)
            user.clear();
        EXPECT_EQ(host(config, "web").user, user) << line;
        std::string documented;
        for (const auto& read : config::readDocument(ssh("config"), home.path()).lines)
            if (read.keyword == "user")
                documented = config::valueOf(read);
        EXPECT_EQ(documented, user) << line;
    }
}

TEST_F(ConfigParserTest, OnlyHostBlocksMakeHostsAndOnlyABlockForEveryNameFeedsTheDefaults) {
    auto config =
        parseConfig("Host *.example.com\n  User suffix\nHost db?\n  ProxyJump jump\n"
                    "Host db-* !db-old\n  Port 2\nHost real\nHost web !web-old\n"
                    "Host gw * !bastion\n  Compression yes\nHost gw *\n  ForwardAgent no\n");
    EXPECT_EQ(aliases(config), (Names{"real", "web !web-old"}));
    EXPECT_EQ(host(config, "real").proxyJump, std::nullopt);
    EXPECT_EQ(config.defaults, (Defaults{"", 22, "", std::nullopt,
                                         OptionMap{{"ForwardAgent", "no"}}, ssh("config")}));

    // Lines outside Host blocks are ignored.
    config = parseConfig("User global\nHost web\n  User w\n"
                         "Match host web exec true\n  User matched\n  Port 2000\n"
                         "Host db\nHost\n  User stays\n");
    EXPECT_EQ(aliases(config), (Names{"web", "db"}));
    EXPECT_EQ(host(config, "web").user, "w");
    EXPECT_EQ(host(config, "web").port, 22);
    EXPECT_EQ(host(config, "db").user, "stays") << "a bare Host line keeps the previous block";
    EXPECT_EQ(config.defaults, Defaults{});
}

TEST_F(ConfigParserTest, IdentityFileFindsKnownKeys) {
    const std::string keyPath = ssh("id_ed25519");
    ConfigParser::KeyPathToId keys{{keyPath, "k1"}, {ssh("work"), "k2"}};
    auto config = parseConfig("Host *\n  IdentityFile ~/.ssh/work\n"
                              "Host tilde\n  IdentityFile ~/.ssh/id_ed25519\n"
                              "Host quoted\n  IdentityFile \"~/.ssh/id_ed25519\"\n"
                              "Host outside\n  IdentityFile /etc/ssh/key\n"
                              "Host lastWins\n  IdentityFile ~/.ssh/id_ed25519\n"
                              "  IdentityFile ~/.ssh/unknown\nHost full\n  IdentityFile " +
                                  keyPath + "\n",
                              keys);
    EXPECT_EQ(config.defaults.keyId, "k2");
    EXPECT_EQ(host(config, "tilde").keyId, "k1");
    EXPECT_EQ(host(config, "full").keyId, "k1");
    EXPECT_EQ(host(config, "quoted").keyId, "k2") << "unknown forms fall back to the defaults";
    EXPECT_EQ(host(config, "outside").keyId, "k2");
    EXPECT_EQ(host(config, "lastWins").keyId, "k2");
}

// An Include is read where it stands: a folder's files in name order,
// several paths in turn, relative ones from ~/.ssh, with cycles and missing
// files left out; inside a block it continues that block.
TEST_F(ConfigParserTest, IncludesAreReadWhereTheyStand) {
    writeFile(ssh("config.d/20-db"), "Host db\n  User postgres\n");
    writeFile(ssh("config.d/10-web"), "Host web\n  User www\n");
    writeFile(ssh("a.conf"), "Host a\nInclude ~/.ssh/config\n");
    writeFile(ssh("b.conf"), "Host b\n");
    writeFile(home.file("c.conf"), "Host c\n");
    EXPECT_EQ(aliases(parseConfig("Host first\nInclude ~/.ssh/config.d/*\n"
                                  "Include b.conf a.conf ~/c.conf\nInclude missing\nHost last\n")),
              (Names{"first", "web", "db", "b", "a", "c", "last"}));
    EXPECT_EQ(ConfigParser::readLines(ssh("config"), home.path())[1].sourceFile,
              ssh("config.d/10-web"));

    writeFile(ssh("extra"), "  User fromInclude\nHost other\n");
    auto config = parseConfig("Host web\n  include extra\n  Port 2000\n");
    EXPECT_EQ(aliases(config), (Names{"web", "other"}));
    EXPECT_EQ(host(config, "web").user, "fromInclude");
    EXPECT_EQ(host(config, "web").port, 22) << "lines after the include belong to 'other'";
    EXPECT_EQ(host(config, "other").port, 2000);
}

// An empty or missing file gives nothing. What a reader must watch to know
// when the configuration may read differently: every file met (the main one
// even when missing), the folders a pattern lists and the folder where a
// named include would appear. "~" means the given home.
TEST_F(ConfigParserTest, ReadingNamesTheFilesAndFoldersItDependedOn) {
    EXPECT_EQ(parseConfig(""), ParsedConfig{});
    EXPECT_TRUE(ConfigParser::readLines(ssh("nothing-here"), home.path()).empty());
    std::filesystem::remove(ssh("config"));
    ConfigFiles met;
    ConfigParser::read(ssh("config"), {}, home.path(), nullptr, &met);
    EXPECT_EQ(met, (ConfigFiles{.files = {ssh("config")}, .folders = {}}));

    writeFile(ssh("conf.d/b"), "Host b\nInclude ~/.ssh/config\n");
    writeFile(ssh("conf.d/a"), "Host a\n");
    writeFile(home.file("other/inner"), "Host inner\nInclude ~/later/file\n");
    writeFile(ssh("config"), "Include conf.d/* ~/other/inner\nInclude ~/gone/*/x\nHost main\n");
    met = {};
    ConfigParser::read(ssh("config"), {}, home.path(), nullptr, &met);
    EXPECT_EQ(met.files,
              (Names{ssh("config"), ssh("conf.d/a"), ssh("conf.d/b"), home.file("other/inner")}));
    EXPECT_EQ(met.folders, (Names{ssh("conf.d"), home.file("later"), home.file("gone")}));

    writeFile(ssh("config"), "Host mine\n");
    EXPECT_EQ(ConfigParser::readLines("~/.ssh/config", home.path()),
              ConfigParser::readLines(ssh("config"), home.path()));

    // Looking for the Include lines alone finds them in any spelling and at
    // any place; a text that names none, or only in a comment, reads no more.
    for (const std::string text :
         {"INCLUDE conf.d/a\n", "Host x\n  \"iNcLuDe\" conf.d/a\n",
          "Host x\nIn\"clude\" conf.d/a\n", "Host xyz\n\tInclude=conf.d/a\n",
          "# include nothing\nHost y\n", "Host y\n  User z\n"}) {
        writeFile(ssh("config"), text);
        std::set<std::string> visited;
        ConfigFiles found;
        ConfigParser::readLines(ssh("config"), visited, home.path(), {}, nullptr, &found);
        Names expected{ssh("config")};
        if (text.find("conf.d") != std::string::npos)
            expected.push_back(ssh("conf.d/a"));
        EXPECT_EQ(found.files, expected) << text;
    }
}

// Reading in one pass, with or without an alias filter, must give what
// parse of readLines gives: the kept hosts in order with the same values,
// and the same defaults, whatever comes before or after them.
TEST_F(ConfigParserTest, OnePassReadingGivesWhatParsingTheLinesGives) {
    writeFile(ssh("extra"), "  User included\nHost inc\n  Port 2200\nHost *.corp\n  Port 2\n");
    writeFile(ssh("config"),
              "User nobody\nHost web\n  HostName w1\n  IdentityFile ~/.ssh/id_ed25519\n"
              "  LocalForward 8080 localhost:80\nHost db\n  Include extra\n"
              "Host web\n  User second\nMatch host x\n  User matched\n"
              "Host \"web db\" !neg\nHost=eq\n  ProxyJump bastion\n"
              "Host *\n  User admin\n  ServerAliveInterval 30\n  IdentityFile ~/.ssh/id_ed25519\n"
              "Host late\n  ServerAliveInterval 5\n");
    const ConfigParser::KeyPathToId keys{{ssh("id_ed25519"), "key1"}};
    const ParsedConfig full =
        ConfigParser::parse(ConfigParser::readLines(ssh("config"), home.path()), keys, home.path());
    ASSERT_EQ(aliases(full), (Names{"web", "db", "inc", "web", "\"web db\" !neg", "eq", "late"}));
    EXPECT_EQ(ConfigParser::read(ssh("config"), keys, home.path()), full);

    const std::vector<ConfigParser::AliasFilter> filters{
        {}, {"web"}, {"inc", "late"}, {"eq", "missing"}, {"\"web db\" !neg"}, {"*"}};
    for (const auto& only : filters) {
        ParsedConfig expected = full;
        std::erase_if(expected.hosts, [&](const SSHHost& h) { return !only.contains(h.alias); });
        EXPECT_EQ(ConfigParser::read(ssh("config"), keys, home.path(), only), expected)
            << only.size();
    }
}

std::vector<std::string> hostValues(const std::vector<ConfigLineSource>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines)
        if (line.directive == "Host")
            out.push_back(line.value);
    return out;
}

// An include chain is followed sixteen levels and no further (twelve
// thousand levels once overflowed the stack); files that cannot be read are
// reported and the rest is read.
TEST_F(ConfigParserTest, IncludeProblemsAreReportedAndTheRestIsRead) {
    constexpr int levels = 12000;
    writeFile(ssh("config"), "Host h0\nInclude chain/1\n");
    for (int i = 1; i < levels; ++i)
        writeFile(ssh("chain/" + std::to_string(i)),
                  "Host h" + std::to_string(i) + "\nInclude chain/" + std::to_string(i + 1) + "\n");
    ConfigReadProblems problems;
    auto hosts = hostValues(ConfigParser::readLines(ssh("config"), home.path(), problems));
    ASSERT_EQ(hosts.size(), 17u);
    EXPECT_EQ(hosts.back(), "h16");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, Kind::tooDeep);
    EXPECT_EQ(problems[0].path, ssh("chain/17"));
    EXPECT_NE(problems[0].message().find(ssh("chain/17")), std::string::npos);

    // What a file could not be read for is the file reader's to say: one
    // file of each kind here.
    writeFile(ssh("big"), std::string(16 * 1024 * 1024 + 1, '\n'));
    writeFile(ssh("latin1"), "Host caf\xe9\n");
    std::filesystem::create_directories(ssh("folder"));
    writeFile(ssh("config"),
              "Host a\nInclude big\nHost b\nInclude latin1\nInclude folder\nInclude missing\n"
              "Host c\n");
    problems.clear();
    hosts = hostValues(ConfigParser::readLines(ssh("config"), home.path(), problems));
    EXPECT_EQ(hosts, (Names{"a", "b", "c"}));
    std::vector<std::pair<std::string, Kind>> seen;
    for (const auto& problem : problems)
        seen.emplace_back(problem.path, problem.kind);
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, Kind>>{{ssh("big"), Kind::tooLarge},
                                                               {ssh("latin1"), Kind::notUtf8},
                                                               {ssh("folder"), Kind::unreadable}}));
}

// A block's lines run to the next Host or Match line of its own file; an
// included file's lines are not the block's.
TEST_F(ConfigParserTest, ABlocksOptionLinesAreThoseOfItsOwnText) {
    writeFile(ssh("inner"), "Port 3\nHost other\n  Port 4\n");
    writeFile(ssh("config"), "Host web\n  Port 1\n  Include inner\n  PORT 2\nMatch all\n"
                             "  Port 5\nHost web\n  Port 6\n");
    const auto document = config::readDocument(ssh("config"), home.path());
    std::vector<std::string> found;
    for (std::uint32_t i : config::blockOptionLines(document, {ssh("config"), 1}, "port"))
        found.push_back(std::string(document.lines[i].text));
    EXPECT_EQ(found, (Names{"Port 1", "PORT 2"}));
    EXPECT_TRUE(config::blockOptionLines(document, {ssh("config"), 2}, "port").empty());
}

} // namespace
} // namespace moorkeep::test
