#include "openssh/host_effects.h"
#include "openssh/openssh_evaluator.h"
#include "openssh/ssh_arguments.h"
#include "reading/config_document.h"
#include "support/ssh_view.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace moorkeep::test {
namespace {

using config::OpenSSHEvaluator;

// Aliases, names only wildcards take, other-case names and a name nothing
// takes.
const std::vector<std::string> names{"web",   "web1", "db",     "bastion", "app.corp", "gw",
                                     "other", "WEB",  "x.corp", "v6",      "Db",       "nothing"};

// Random configurations built from the layouts people write: plain, quoted
// and multi-pattern Host lines, wildcards, negations, Match blocks,
// includes of one or several files (globs, lists) inside and outside blocks,
// "=" separators, trailing comments, commands, addresses and environments.
class ConfigGenerator {
public:
    ConfigGenerator(unsigned seed, const TempDir& home)
        : random_(seed)
        , home_(home) {}

    std::string file(int depth) {
        std::string text;
        if (chance(3))
            text += option();
        const int blocks = 2 + pick(5);
        for (int i = 0; i < blocks; ++i) {
            text += header() + "\n";
            const int lines = 1 + pick(3);
            for (int j = 0; j < lines; ++j)
                text += "  " + option();
            if (depth < 2 && chance(5))
                text += "  Include " + include(depth) + "\n";
        }
        if (depth < 2 && chance(4))
            text += "Include " + include(depth) + "\n";
        return text;
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    bool chance(int oneIn) { return pick(oneIn) == 0; }
    const std::string& any(const std::vector<std::string>& list) {
        return list[pick(int(list.size()))];
    }

    std::string header() {
        static const std::vector<std::string> headers{"Host web",
                                                      "Host *",
                                                      "Host *.corp",
                                                      "Host web?",
                                                      "Host * !bastion",
                                                      "Host web1 web",
                                                      "Host \"db\"",
                                                      "Host gw # gateway",
                                                      "Host=db",
                                                      "Host gw * !bastion",
                                                      "Match all",
                                                      "Match host *.corp",
                                                      "Match originalhost web*",
                                                      "Match !host db",
                                                      "Host bastion",
                                                      "Host other app.corp",
                                                      "Match user " + config::localUserName(),
                                                      "Match host app.corp,!x*",
                                                      "Host v6 WEB",
                                                      "Match originalhost gw,v6"};
        return any(headers);
    }

    std::string option() {
        const std::string n = std::to_string(pick(50));
        const std::vector<std::string> kinds[] = {
            {"HostName h" + n + ".example", "Hostname=%h.n" + n, "HOSTNAME H" + n,
             "HostName FE80::" + n + "%%ETH0", "HostName 2001:DB8::" + n,
             "HostName 2001:DB8:0::" + n, "HostName 10.0.0.0" + n, "HostName %h:Z" + n},
            {"User u" + n, "user=\"u" + n + "\"", "User u" + n + " # note"},
            {"Port " + std::to_string(1000 + pick(9000))},
            {"ProxyJump j" + n, "ProxyJump none", "ProxyCommand nc %h %p",
             "ProxyCommand nc %h %p # via " + n, "ProxyCommand  \"ssh\" -W %h:%p j" + n},
            {"IdentityFile ~/.ssh/k" + n, "IdentityFile \"~/.ssh/k" + n + "\"",
             "IdentityFile %d/.ssh/k" + n},
            {"Compression yes", "ServerAliveInterval " + n, "SetEnv A" + n + "=1 B=" + n,
             "SetEnv C=" + n, "SendEnv LANG", "SendEnv LC_" + n + " X", "RemoteCommand ls # r",
             "LocalForward " + std::to_string(8000 + pick(50)) + " [localhost]:80"}};
        return any(kinds[pick(6)]) + "\n";
    }

    // One file, a glob over several, or several paths.
    std::string include(int depth) {
        const std::string name = home_.file(".ssh/inc" + std::to_string(++included_));
        const int kind = pick(3);
        if (kind == 0) {
            writeFile(name, file(depth + 1));
            return name;
        }
        std::string paths;
        for (int i = 0, count = 2 + pick(2); i < count; ++i) {
            writeFile(name + "/f" + std::to_string(i), file(depth + 1));
            paths += (i ? " " : "") + name + "/f" + std::to_string(i);
        }
        return kind == 1 ? name + "/*" : paths;
    }

    std::mt19937 random_;
    const TempDir& home_;
    int included_ = 0;
};

// Every value the evaluation gives, as `ssh -G` prints it: one line for
// each environment variable, none for a ProxyJump or ProxyCommand "none".
SshView fields(const HostEvaluation& evaluation) {
    SshView out;
    for (const auto& value : evaluation.effective) {
        if (value.keyword == "hostname")
            out["hostname"].push_back(config::expandedHostName(value.value, evaluation.name));
        else if (value.keyword == "setenv" || value.keyword == "sendenv")
            for (auto& variable :
                 config::splitArguments(value.value).value_or(SshView::mapped_type{}))
                out[value.keyword].push_back(std::move(variable));
        else if (value.value != "none" ||
                 (value.keyword != "proxyjump" && value.keyword != "proxycommand"))
            out[value.keyword].push_back(value.value);
    }
    return out;
}

TEST(OpenSSHEvaluatorTest, AgreesWithSshOnGeneratedConfigurations) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TempDir home;
        ConfigGenerator generator(seed, home);
        const std::string config = home.file(".ssh/config");
        writeFile(config, generator.file(0));
        const OpenSSHEvaluator evaluator(config::readDocument(config, home.path()));
        const OpenSSHEvaluator indexed(config::readDocument(config, home.path()), true);
        for (const std::string& name : names) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", " + name + "\n" + readFile(config));
            const auto ours = fields(evaluator.evaluate(name, config::localUserName()));
            EXPECT_EQ(indexed.evaluate(name, config::localUserName()),
                      evaluator.evaluate(name, config::localUserName()));
            const SshView theirs = sshView(config, name, home.path());
            for (const auto& [keyword, values] : ours) {
                ASSERT_TRUE(theirs.contains(keyword)) << keyword;
                EXPECT_EQ(values, theirs.at(keyword)) << keyword;
            }
            // ssh -G prints these only when set (and default identity files
            // when none is).
            for (const std::string keyword :
                 {"proxyjump", "proxycommand", "setenv", "sendenv", "remotecommand"})
                EXPECT_EQ(ours.contains(keyword), theirs.contains(keyword)) << keyword;
        }
    }
}

// An evaluation names the lines that win and those they shadow; Match
// conditions that would run something are reported, not run; an Include in
// a block counts only for the names the block takes.
TEST(OpenSSHEvaluatorTest, EvaluationsNameTheirLinesRunNothingAndFollowIncludes) {
    TempDir home;
    const std::string at = home.file(".ssh/config");
    const auto evaluate = [&](const std::string& text, const std::string& name) {
        writeFile(at, text);
        return OpenSSHEvaluator(config::readDocument(at, home.path())).evaluate(name, "alice");
    };
    auto evaluation = evaluate("Host *\n  User admin\nHost web\n  User bob\n"
                               "  User carol\n  Port 22\n",
                               "web");
    EXPECT_EQ(evaluation,
              (HostEvaluation{"web",
                              {{"user", "admin", {at, 2}, false}, {"port", "22", {at, 6}, true}},
                              {{"user", "bob", {at, 4}, "admin", {at, 2}, "Host *"},
                               {"user", "carol", {at, 5}, "admin", {at, 2}, "Host *"}},
                              {},
                              {{"Host *", {at, 1}}}}));

    const std::string marker = home.file("ran");
    evaluation = evaluate("Match exec \"touch " + marker +
                              "\"\n  User x\nMatch canonical all\n  Port 1\n"
                              "Match host nomatch exec \"touch " +
                              marker + "\"\n  User y\nHost web\n  User z\n",
                          "web");
    EXPECT_EQ(evaluation, (HostEvaluation{"web",
                                          {{"user", "z", {at, 8}, true}},
                                          {},
                                          {{"Match exec \"touch " + marker + "\"", {at, 1}},
                                           {"Match canonical all", {at, 3}}},
                                          {}}));
    EXPECT_NE(::access(marker.c_str(), F_OK), 0);

    writeFile(home.file(".ssh/extra"), "User included\nHost *\n  Port 2000\n");
    const std::string text = "Host web\n  Include extra\n  Port 1000\nHost *\n  User last\n";
    const auto web = evaluate(text, "web");
    const auto db = evaluate(text, "db");
    EXPECT_EQ(fields(web), (SshView{{"user", {"included"}}, {"port", {"2000"}}}));
    EXPECT_EQ(fields(db), (SshView{{"user", {"last"}}}));
    ASSERT_EQ(web.shadowed.size(), 1u);
    EXPECT_EQ(web.shadowed[0].value, "1000");
}

TEST(OpenSSHEvaluatorTest, KeysAreFoundThroughEverySpellingOfTheirPath) {
    const ConfigParser::KeyPathToId keys{{"/home/a/.ssh/k", "K"}};
    for (const std::string value : {"~/.ssh/k", "%d/.ssh/k", "/home/a/.ssh/./k", "~/.ssh//k"})
        EXPECT_EQ(config::keyIdOfIdentity(value, keys, "/home/a", "a"), "K") << value;
    EXPECT_EQ(config::keyIdOfIdentity("~/.ssh/other", keys, "/home/a", "a"), std::nullopt);
}

} // namespace
} // namespace moorkeep::test
