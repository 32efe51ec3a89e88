#include "cli_home.h"
#include "metadata/user_meta_store.h"
#include "reading/config_parser.h"
#include "support/records.h"

#include <cstdlib>
#include <sys/stat.h>
#include <tuple>

namespace moorkeep::test {
namespace {

const std::string webBlock = "# Personal hosts\nHost web\n    HostName web.example.com\n"
                             "    User deploy\n    Port 2222\n    IdentityFile ~/.ssh/id_web\n\n";
const std::string dbBlock =
    "Host db\n    HostName db.internal\n    ProxyJump web\n    ServerAliveInterval 30\n";
const std::string configText = webBlock + dbBlock;

class HostCommandsTest : public CliTest {
protected:
    void SetUp() override {
        home.writeConfig(configText);
        home.makeKey("id_web");
    }
};

TEST_F(HostCommandsTest, ShowTakesAnAliasBeforeAnId) {
    const auto db = decoded<SSHHost>(home.run({"host", "show", "db", "--json"}));
    // Here the alias of a third host is the id of web.
    const std::string webId = ConfigParser::hostId("web");
    home.writeConfig(configText + "\nHost " + webId + "\n    HostName other\n");
    EXPECT_EQ(decoded<SSHHost>(home.run({"host", "show", webId, "--json"})).hostname, "other");
    EXPECT_EQ(decoded<SSHHost>(home.run({"host", "show", db.id, "--json"})), db);
}

// db has no IdentityFile, so OpenSSH offers it the default identity that
// exists; web has its own key and no default.
TEST_F(HostCommandsTest, ShowNamesTheDefaultIdentitiesOfAHostWithoutIdentityFile) {
    home.makeKey("id_ed25519");
    const auto db = nlohmann::json::parse(home.run({"host", "show", "db", "--json"}).out);
    ASSERT_EQ(db["defaultKeys"].size(), 1u);
    EXPECT_EQ(db["defaultKeys"][0]["path"], "~/.ssh/id_ed25519");
    EXPECT_THAT(home.run({"host", "show", "db"}).out,
                HasSubstr("id_ed25519 (~/.ssh/id_ed25519) default"));
    const auto web = nlohmann::json::parse(home.run({"host", "show", "web", "--json"}).out);
    EXPECT_FALSE(web.contains("defaultKeys"));
}

TEST_F(HostCommandsTest, AddAppendsTheHostAsTheDialogBuildsIt) {
    // The user is taken as typed, so a space in it is refused: OpenSSH
    // takes a user as one word.
    home.refused({"host", "add", "app", "--hostname", "h", "--user", "ops "}, 2, "");
    home.change({"host", "add", "app", "--hostname", "app.example.com", "--user", "ops", "--port",
                 "2200", "--key", "id_web", "--proxy-jump", "  web\t", "--option",
                 " ForwardAgent = yes "});
    // The lines before are kept; the jump host and the option are trimmed.
    EXPECT_EQ(home.config(), configText + "\nHost app\n  HostName app.example.com\n  User ops\n"
                                          "  Port 2200\n  IdentityFile ~/.ssh/id_web\n"
                                          "  ProxyJump web\n  ForwardAgent yes\n");
}

TEST_F(HostCommandsTest, EditChangesOnlyWhatIsGivenAndRenamesTheBlockInPlace) {
    home.change({"host", "edit", "db", "--user", "admin", "--no-proxy-jump", "--option",
                 "serveraliveinterval=60", "--option", "Compression=yes"});
    // An option of another spelling replaces the old one.
    const std::string editedDb = "Host db\n    HostName db.internal\n    serveraliveinterval 60\n"
                                 "    User admin\n    Compression yes\n";
    EXPECT_EQ(home.config(), webBlock + editedDb);

    home.change({"host", "edit", "web", "--alias", "www", "--port", "2022", "--no-key"});
    EXPECT_EQ(home.config(), "# Personal hosts\nHost www\n    HostName web.example.com\n"
                             "    User deploy\n    Port 2022\n\n" +
                                 editedDb);
}

// web is looked up as "[web.example.com]:2222": a line hashed by ssh-keygen,
// a plain comma list, a revoked key (which forgetting keeps) and lines of
// other hosts; db has no key yet.
TEST_F(HostCommandsTest, KnownListsTheKeysSshTrustsAndForgetRemovesThemAsSshKeygenDoes) {
    const std::string pub = readFile(home.sshPath("id_web.pub"));
    const std::string key = pub.substr(0, pub.find(' ', pub.find(' ') + 1));
    const std::string knownHosts = home.sshPath("known_hosts");
    writeFile(knownHosts, "[web.example.com]:2222 " + key + "\n");
    ASSERT_EQ(std::system(("ssh-keygen -H -f " + knownHosts + " >/dev/null 2>&1").c_str()), 0);
    const std::string text = readFile(knownHosts) + "# kept\nother,[web.example.com]:2222 " + key +
                             "\n@revoked [web.example.com]:2222 " + key + "\nweb.example.com " +
                             key + "\n";
    writeFile(knownHosts, text);
    ::chmod(knownHosts.c_str(), 0644);

    const auto known = nlohmann::json::parse(home.run({"host", "known", "web", "--json"}).out);
    EXPECT_EQ(known["lookupName"], "[web.example.com]:2222");
    EXPECT_EQ(known["userFiles"][0], "~/.ssh/known_hosts");
    std::vector<std::tuple<int, bool, nlohmann::json>> lines;
    for (const auto& entry : known["keys"]) {
        EXPECT_EQ(entry["fingerprint"], printedFingerprint(home.sshPath("id_web.pub")));
        lines.emplace_back(entry["line"], entry["hashed"], entry["marker"]);
    }
    EXPECT_EQ(lines,
              (decltype(lines){{1, true, nullptr}, {3, false, nullptr}, {4, false, "revoked"}}));
    EXPECT_THAT(home.run({"host", "known", "db"}).out,
                HasSubstr("ssh will ask you to confirm the key on first connect"));

    // Without --yes only the files and the count are told.
    home.refused({"host", "forget", "web"}, 2, "removes 2 lines from ~/.ssh/known_hosts");
    EXPECT_EQ(readFile(knownHosts), text);
    const std::string theirs = home.sshPath("theirs");
    writeFile(theirs, text);
    ASSERT_EQ(
        std::system(
            ("ssh-keygen -R '[web.example.com]:2222' -f " + theirs + " >/dev/null 2>&1").c_str()),
        0);
    home.change({"host", "forget", "web", "--yes"});
    EXPECT_EQ(readFile(knownHosts), readFile(theirs));
    EXPECT_EQ(readFile(knownHosts + ".old"), text);
    EXPECT_EQ(modeOf(knownHosts), 0644u);
}

TEST(DefaultsCommandsTest, ShowReadsAndSetChangesOnlyWhatIsGiven) {
    CliHome home;
    const std::string plainWeb = "Host web\n    HostName web.example.com\n";
    home.writeConfig("Host *\n    User everyone\n    ServerAliveInterval 30\n\n" + plainWeb);
    home.makeKey("id_web");
    EXPECT_EQ(decoded<Defaults>(home.run({"defaults", "show", "--json"})),
              (Defaults{"everyone", 22, "", std::nullopt, OptionMap{{"ServerAliveInterval", "30"}},
                        home.configPath()}));

    home.change({"defaults", "set", "--user", "\t admin ", "--port", "2200", "--key", "id_web",
                 "--proxy-jump", " jump ", "--option", "Compression=yes", "--unset-option",
                 "serveraliveinterval"});
    // Trimmed as the defaults dialog trims them.
    EXPECT_EQ(home.snapshot().defaults,
              (Defaults{"admin", 2200, home.key("id_web").id, "jump",
                        OptionMap{{"Compression", "yes"}}, home.configPath()}));
    EXPECT_THAT(home.config(), HasSubstr(plainWeb));

    home.change({"defaults", "set", "--no-key"});
    EXPECT_EQ(home.snapshot().defaults.keyId, "");
    EXPECT_THAT(home.config(), testing::Not(HasSubstr("IdentityFile")));
}

// A configuration that includes a folder of files, and a host kept in the
// metadata file.
TEST(HostListFilesTest, JsonNamesTheFileAndLineOfEachHostAndByFileHasASectionForEach) {
    CliHome home;
    home.writeConfig("Include config.d/*\n"
                     "Host web\n"
                     "  HostName web.example.org\n"
                     "\n"
                     "Host db\n");
    writeFile(home.sshPath("config.d/work"), "Host build\n  User ci\nHost ci\n");
    writeFile(home.sshPath("config.d/lab"), "# lab\nHost pi\n");
    UserMeta meta;
    meta.hosts = {
        test::host("kept", "kept.example.org", "", 22, {}, {}, {}, HostSource::user, "KEPT")};
    UserMetaStore(home.metaPath()).save(meta);

    std::vector<std::string> places;
    for (const auto& host : decoded<nlohmann::json>(home.run({"host", "list", "--json"})))
        places.push_back(host.at("alias").get<std::string>() + " " + host.at("file").dump() + " " +
                         host.at("line").dump());
    EXPECT_EQ(places, (std::vector<std::string>{
                          "pi \"~/.ssh/config.d/lab\" 2", "build \"~/.ssh/config.d/work\" 1",
                          "ci \"~/.ssh/config.d/work\" 3", "web \"~/.ssh/config\" 2",
                          "db \"~/.ssh/config\" 5", "kept null null"}));

    // One section per file, in reading order.
    const auto result = home.run({"host", "list", "--by-file"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "~/.ssh/config (2 hosts)\n"
                          "ALIAS  HOSTNAME         USER  PORT  KEY  SOURCE\n"
                          "web    web.example.org  -     22    -    config\n"
                          "db     db               -     22    -    config\n"
                          "\n"
                          "~/.ssh/config.d/lab (1 host)\n"
                          "ALIAS  HOSTNAME  USER  PORT  KEY  SOURCE\n"
                          "pi     pi        -     22    -    config\n"
                          "\n"
                          "~/.ssh/config.d/work (2 hosts)\n"
                          "ALIAS  HOSTNAME  USER  PORT  KEY  SOURCE\n"
                          "build  build     ci    22    -    config\n"
                          "ci     ci        -     22    -    config\n"
                          "\n"
                          "Stored in Moorkeep (1 host)\n"
                          "ALIAS  HOSTNAME          USER  PORT  KEY  SOURCE\n"
                          "kept   kept.example.org  -     22    -    user\n");
}

// A spelling of a Host line, "%" standing for its pattern, and the end of
// every line of the file.
struct HeaderSpelling {
    std::string header;
    std::string lineEnd;
};

class HeaderSpellingTest : public CliTest, public testing::WithParamInterface<HeaderSpelling> {};

// Every command takes a block to be the host `ssh -G` takes it for, or finds
// no such host, as OpenSSH does not.
TEST_P(HeaderSpellingTest, EveryCommandFindsTheBlockSshFinds) {
    const auto& [header, end] = GetParam();
    auto line = [&](const std::string& pattern) {
        std::string text = header;
        return text.replace(text.find('%'), 1, pattern) + end;
    };
    home.writeConfig("Host other" + end + "  User o" + end + line("web") + "  User before" + end +
                     "  Port 2200" + end + line("*") + "  Port 2100" + end);
    auto listedAt = [&]() -> std::optional<int> {
        for (const auto& host : decoded<nlohmann::json>(home.run({"host", "list", "--json"})))
            if (host.at("alias") == "web")
                return host.at("line").get<int>();
        return std::nullopt;
    };
    std::vector<std::string> unknown{"nope"};
    const bool sshFindsWeb = home.ssh("web", "user") == "before";
    if (sshFindsWeb) {
        EXPECT_EQ(listedAt(), 3);
        const auto shown = decoded<SSHHost>(home.run({"host", "show", "web", "--json"}));
        EXPECT_EQ(std::to_string(shown.port), home.ssh("web", "port"));
        home.change({"host", "edit", "web", "--user", "after"});
        EXPECT_EQ(home.ssh("web", "user"), "after");
        home.change({"host", "move", "web", "--before-line", "~/.ssh/config:1"});
        EXPECT_EQ(listedAt(), 1);
        EXPECT_EQ(home.ssh("web", "port"), "2200");
    } else {
        EXPECT_EQ(listedAt(), std::nullopt);
        unknown.emplace_back("web");
    }
    // The Host * line is spelt the same way: its block is changed where
    // OpenSSH reads it, or a new one added when OpenSSH sees none.
    home.change({"defaults", "set", "--port", "2022"});
    EXPECT_EQ(home.ssh("nobody", "port"), "2022");
    if (sshFindsWeb) {
        home.change({"host", "rm", "web"});
        EXPECT_EQ(home.ssh("web", "port"), "2022");
        EXPECT_EQ(listedAt(), std::nullopt);
    }
    EXPECT_EQ(home.ssh("other", "user"), "o");
    for (const std::string& name : unknown)
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"host", "show", name},
              {"host", "edit", name, "--user", "x"},
              {"host", "rm", name},
              {"host", "move", name, "--before-line", "~/.ssh/config:1"}})
            home.refused(command, 2, "no host with the alias or id \"" + name + "\"");
}

INSTANTIATE_TEST_SUITE_P(
    OpenSSHSpellings, HeaderSpellingTest,
    testing::Values(HeaderSpelling{"\"Host\" %", "\n"}, HeaderSpelling{"Host=%", "\n"},
                    HeaderSpelling{"HOST\t%", "\n"}, HeaderSpelling{"Host % # c", "\n"},
                    HeaderSpelling{"Host = %", "\n"}, HeaderSpelling{"\tHost\t=\t% \t", "\n"},
                    HeaderSpelling{"Host %", "\r\n"}, HeaderSpelling{"Host\t% \t", "\r\n"},
                    HeaderSpelling{"Host\r%", "\n"}, HeaderSpelling{"Host %\f", "\n"},
                    HeaderSpelling{"Ho\"st\" %", "\n"}, HeaderSpelling{"\"\" Host \"%\"", "\n"},
                    // After a quoted keyword "=" is part of the pattern.
                    HeaderSpelling{"\"Host\"=%", "\n"}));

} // namespace
} // namespace moorkeep::test

namespace moorkeep::test {
namespace {

// A list long enough to be read and written on two threads, in room made
// beforehand for a large configuration (over 256 KiB), in the main file or
// in one it includes: every host in order with the values ssh uses for it,
// as the one JSON text nlohmann would write of the same array.
TEST(HostListLargeTest, TwoThreadsListEveryHostInOrderAsOneJsonText) {
    constexpr int count = 6000;
    std::string config;
    for (int i = 0; i < count; ++i) {
        config += "Host h" + std::to_string(i) + "\n  HostName 10.0." + std::to_string(i / 256) +
                  "." + std::to_string(i % 256) + "\n  Port " + std::to_string(2200 + i % 100) +
                  "\n";
        if (i % 2)
            config += "  User own" + std::to_string(i) + "\n";
    }
    const std::string command = "echo \"caf\xc3\xa9\" \\ done";
    config += "Host *\n  User everyone\n  RemoteCommand " + command + "\n";
    ASSERT_GT(config.size(), 256u << 10);

    for (const bool included : {false, true}) {
        SCOPED_TRACE(included ? "included" : "one file");
        CliHome home;
        if (included) {
            writeFile(home.sshPath("hosts.conf"), config);
            home.writeConfig("Include hosts.conf\n");
        } else {
            home.writeConfig(config);
        }
        const auto result = home.run({"host", "list", "--json"});
        ASSERT_EQ(result.status, 0) << result.err;
        const auto listed = nlohmann::json::parse(result.out);
        EXPECT_EQ(result.out, listed.dump(2) + "\n");
        ASSERT_EQ(listed.size(), static_cast<std::size_t>(count));
        for (int i : {0, 1, count / 2 - 1, count / 2, count / 2 + 1, count - 1}) {
            const auto& host = listed.at(static_cast<std::size_t>(i));
            EXPECT_EQ(host.at("alias"), "h" + std::to_string(i));
            EXPECT_EQ(host.at("line"), 1 + 3 * i + i / 2);
            EXPECT_EQ(host.at("port"), 2200 + i % 100);
            EXPECT_EQ(host.at("user"), i % 2 ? "own" + std::to_string(i) : "everyone");
            EXPECT_EQ(host.at("extraOptions").at("RemoteCommand"), command);
        }
    }
}

} // namespace
} // namespace moorkeep::test
