#include "config/config_writer.h"
#include "record_builders.h"
#include "support/temp_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

// The real ssh client judges every written file: "ssh -G" evaluates the
// configuration for an alias without connecting and prints the result.
namespace moorkeep {
namespace {

struct SshEvaluation {
    bool accepted = false;
    std::string output;
    std::map<std::string, std::string> values;
};

SshEvaluation evaluateWithSsh(const std::string& config, const std::string& alias,
                              const std::string& home) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);

    std::string homeVariable = "HOME=" + home;
    std::string pathVariable = "PATH=/usr/bin:/bin";
    char* environment[] = {homeVariable.data(), pathVariable.data(), nullptr};
    std::vector<std::string> arguments{"/usr/bin/ssh", "-G", "-F", config, alias};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    SshEvaluation evaluation;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        evaluation.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    if (spawned != 0)
        return evaluation;
    int status = 0;
    ::waitpid(child, &status, 0);
    evaluation.accepted = WIFEXITED(status) && WEXITSTATUS(status) == 0;

    std::size_t start = 0;
    while (start < evaluation.output.size()) {
        std::size_t end = evaluation.output.find('\n', start);
        if (end == std::string::npos)
            end = evaluation.output.size();
        const std::string line = evaluation.output.substr(start, end - start);
        if (const auto space = line.find(' '); space != std::string::npos)
            evaluation.values.emplace(line.substr(0, space), line.substr(space + 1));
        start = end + 1;
    }
    return evaluation;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

const KeyIdToPath keyPaths{{"key-ed", "~/.ssh/id_ed25519"}};
const Defaults fileDefaults = test::defaults().user("admin").port(2222);

// OpenSSH takes the first value it meets, so the Host * block stands last.
const std::string globalAndDb =
    "# global\nServerAliveInterval 30\n\nHost db\n  HostName db.internal\n  User dbuser\n";
const std::string webBlock =
    "Host web\n\tHostName old.example.com\n\tUser olduser\n\tPort 2201\n\tCompression yes\n";
const std::string defaultsAtEnd = "# about web\n\nHost *\n  User admin\n  Port 2222\n";

struct JudgedCase {
    std::string name;
    std::string before; // kept byte for byte
    std::string block;  // the lines the operation works on
    std::string after;  // kept byte for byte
    std::function<void(const std::string&)> operation;
    std::string alias;
    std::string hostname;
    std::string user;
    std::string port;
    bool crLf = false;
    friend void PrintTo(const JudgedCase& c, std::ostream* os) { *os << c.name; }
};

class JudgedByOpenSsh : public testing::TestWithParam<JudgedCase> {
protected:
    test::TempDir home;
};

TEST_P(JudgedByOpenSsh, SshReadsBackTheSavedValues) {
    const JudgedCase& c = GetParam();
    const auto text = [&](const std::string& part) { return c.crLf ? withCrLf(part) : part; };
    const std::string config = home.file(".ssh/config");
    test::writeFile(config, text(c.before + c.block + c.after));

    c.operation(config);

    const std::string result = test::readFile(config);
    EXPECT_TRUE(result.starts_with(text(c.before))) << result;
    EXPECT_TRUE(result.ends_with(text(c.after))) << result;
    EXPECT_GE(result.size(), c.before.size() + c.after.size());
    if (c.crLf) {
        EXPECT_EQ(result.find("\n"), result.find("\r\n") + 1) << "a line ends without CR";
    }

    const SshEvaluation ssh = evaluateWithSsh(config, c.alias, home.path());
    ASSERT_TRUE(ssh.accepted) << ssh.output << "\n--- file:\n" << result;
    EXPECT_EQ(ssh.values.at("hostname"), c.hostname) << result;
    EXPECT_EQ(ssh.values.at("user"), c.user) << result;
    EXPECT_EQ(ssh.values.at("port"), c.port) << result;
}

const SSHHost savedWeb =
    test::host("web")
        .hostname("new.example.com")
        .user("deploy")
        .port(2200)
        .keyId("key-ed")
        .proxyJump("bastion")
        .extraOptions(OptionMap{{"Compression", "no"}, {"ServerAliveCountMax", "5"}});

void updateWeb(const std::string& path) {
    ASSERT_TRUE(ConfigWriter::updateHostBlock(ConfigWriter::AtPath{path}, savedWeb, std::nullopt,
                                              fileDefaults, keyPaths));
}

INSTANTIATE_TEST_SUITE_P(
    Operations, JudgedByOpenSsh,
    testing::Values(
        JudgedCase{"AppendHost", globalAndDb + webBlock + "# end", "", "",
                   [](const std::string& path) {
                       ConfigWriter::appendHostBlock(
                           ConfigWriter::AtPath{path},
                           test::host("api")
                               .hostname("api.example.com")
                               .user("svc")
                               .port(2022)
                               .keyId("key-ed")
                               .extraOptions(OptionMap{{"ServerAliveCountMax", "3"}}),
                           Defaults{}, keyPaths);
                   },
                   "api", "api.example.com", "svc", "2022"},
        JudgedCase{"UpdateHost", globalAndDb, webBlock, defaultsAtEnd, updateWeb, "web",
                   "new.example.com", "deploy", "2200"},
        JudgedCase{"UpdateHostCrLf", globalAndDb, webBlock, defaultsAtEnd, updateWeb, "web",
                   "new.example.com", "deploy", "2200", true},
        JudgedCase{"UpdateHostToDefaults", globalAndDb, webBlock, defaultsAtEnd,
                   [](const std::string& path) {
                       const SSHHost host =
                           test::host("web").hostname("new.example.com").user("admin").port(22);
                       ASSERT_TRUE(ConfigWriter::updateHostBlock(
                           ConfigWriter::AtPath{path}, host, std::nullopt, fileDefaults, keyPaths));
                   },
                   "web", "new.example.com", "admin", "2222"},
        JudgedCase{"RenameHost", globalAndDb, webBlock, defaultsAtEnd,
                   [](const std::string& path) {
                       SSHHost renamed = savedWeb;
                       renamed.alias = "web2";
                       ASSERT_TRUE(ConfigWriter::updateHostBlock(
                           ConfigWriter::AtPath{path}, renamed, "web", fileDefaults, keyPaths));
                   },
                   "web2", "new.example.com", "deploy", "2200"},
        JudgedCase{"DeleteHost", globalAndDb, webBlock, defaultsAtEnd,
                   [](const std::string& path) {
                       ASSERT_TRUE(
                           ConfigWriter::deleteHostBlock(ConfigWriter::AtPath{path}, "web"));
                   },
                   "web", "web", "admin", "2222"},
        JudgedCase{"DeleteHostCrLf", globalAndDb, webBlock, defaultsAtEnd,
                   [](const std::string& path) {
                       ASSERT_TRUE(
                           ConfigWriter::deleteHostBlock(ConfigWriter::AtPath{path}, "web"));
                   },
                   "web", "web", "admin", "2222", true},
        JudgedCase{"UpdateDefaults", globalAndDb + webBlock + "\nHost *\n",
                   "  User admin\n  Port 2222\n", "# end\n",
                   [](const std::string& path) {
                       ASSERT_TRUE(ConfigWriter::updateDefaultsBlock(
                           ConfigWriter::AtPath{path},
                           test::defaults()
                               .user("ops")
                               .port(2022)
                               .keyId("key-ed")
                               .proxyJump("bastion")
                               .extraOptions(OptionMap{{"ServerAliveCountMax", "4"}}),
                           keyPaths));
                   },
                   "other", "other", "ops", "2022"},
        JudgedCase{"UpdateDefaultsCrLf", globalAndDb + webBlock + "\nHost *\n",
                   "  User admin\n  Port 2222\n", "# end\n",
                   [](const std::string& path) {
                       ASSERT_TRUE(ConfigWriter::updateDefaultsBlock(
                           ConfigWriter::AtPath{path}, test::defaults().user("ops").port(2022),
                           keyPaths));
                   },
                   "db", "db.internal", "dbuser", "2022", true},
        JudgedCase{"AppendDefaults", globalAndDb + webBlock, "", "",
                   [](const std::string& path) {
                       ConfigWriter::appendDefaultsBlock(
                           ConfigWriter::AtPath{path},
                           test::defaults().user("ops").port(2022).keyId("key-ed"), keyPaths);
                   },
                   "db", "db.internal", "dbuser", "2022"}),
    [](const auto& info) { return info.param.name; });

TEST(JudgedByOpenSsh, RejectsWhatItCannotRead) {
    // The judge itself must be able to say no.
    test::TempDir home;
    const std::string config = home.file("config");
    test::writeFile(config, "Host web\n  NoSuchOption 1\n");
    EXPECT_FALSE(evaluateWithSsh(config, "web", home.path()).accepted);
}

} // namespace
} // namespace moorkeep
