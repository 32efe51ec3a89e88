#include "files/file_error.h"
#include "files/file_stamp.h"
#include "knownhosts/known_host_reading.h"
#include "knownhosts/known_hosts_file.h"
#include "knownhosts/known_hosts_lookup.h"
#include "openssh/openssh_evaluator.h"
#include "reading/config_document.h"
#include "support/key_files.h"
#include "support/ssh_view.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <pwd.h>
#include <random>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

using knownhosts::findKeys;
using knownhosts::withoutName;

// What the shell command prints on its standard output.
std::string quoted(const std::string& text) {
    return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
}

// The line numbers `ssh-keygen -F` prints for the name, and with -l each
// line's fingerprint.
std::map<std::size_t, std::string> foundBySshKeygen(const std::string& name,
                                                    const std::string& file, bool fingerprints) {
    const std::string out =
        shellOutput("/usr/bin/ssh-keygen " + std::string(fingerprints ? "-l " : "") + "-F " +
                    quoted(name) + " -f " + quoted(file) + " 2>/dev/null");
    std::map<std::size_t, std::string> found;
    // "." stops at a carriage return, which a line may hold.
    static const std::regex header(
        R"(# Host [^\n]* found: line (\d+)[^\n]*\n(?:[^\n]* (SHA256:[^\s]+)[^\n]*\n)?)");
    for (std::sregex_iterator it(out.begin(), out.end(), header), end; it != end; ++it)
        found[std::stoul((*it)[1])] = (*it)[2];
    return found;
}

const std::vector<std::string> names{
    "alpha.example", "beta.example",    "Beta.example", "[alpha.example]:2222",
    "10.0.0.5",      "[10.0.0.5]:2200", "gamma",        "delta.test"};

// Known_hosts files as ssh writes and people edit them: plain and hashed
// names (hashed by ssh-keygen -H), comma lists, ports, wildcards and
// negations, markers, comments, blank lines, tabs, CRLF, and with `broken`
// the lines OpenSSH refuses.
class KnownHostsGenerator {
public:
    KnownHostsGenerator(unsigned seed, const TempDir& dir, const std::vector<std::string>& keys)
        : random_(seed)
        , dir_(dir)
        , keys_(keys) {}

    std::string file(bool broken) {
        const bool crlf = chance(3);
        std::vector<std::string> lines;
        const std::vector<std::string> hashed = hashedLines();
        for (int i = 0, count = 12 + pick(14); i < count; ++i) {
            std::string line = pick(3) == 0 ? any(hashed) : plainLine();
            if (chance(5))
                line = any({"@cert-authority ", "@revoked ", "@revoked\t"}) + line;
            if (chance(6))
                line = any({"", "   ", "# a comment", "\t# indented", "#alpha.example ssh-rsa x"});
            if (broken && chance(6))
                line = any({"@bogus alpha.example " + key(), "alpha.example", "gamma ssh-foo AAAA",
                            "gamma ssh-ed25519", "gamma 1024 35 12345", "|1|c2FsdA==|x " + key(),
                            "@revoked @revoked gamma " + key(), "\r"});
            lines.push_back(line + (crlf || chance(12) ? "\r" : ""));
        }
        std::string text;
        for (const auto& line : lines)
            text += line + "\n";
        if (chance(3))
            text.pop_back();
        return text;
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    bool chance(int oneIn) { return pick(oneIn) == 0; }
    std::string any(const std::vector<std::string>& list) { return list[pick(int(list.size()))]; }
    std::string key() { return any(keys_) + (chance(2) ? " comment here" : ""); }

    std::string pattern() {
        static const std::vector<std::string> patterns{
            "*.example",         "alpha*",   "!beta.example", "?amma",
            "[alpha.example]:*", "*",        "!*.test",       "ALPHA.example",
            "[10.0.0.5]:2200",   "10.0.0.?", "delta.test",    "beta.*"};
        return chance(2) ? any(names) : any(patterns);
    }

    std::string plainLine() {
        std::string hosts = pattern();
        for (int i = 0, more = pick(3); i < more; ++i)
            hosts += "," + pattern();
        return hosts + any({" ", "\t", "  "}) + key();
    }

    // Names hashed by OpenSSH itself, one line each.
    std::vector<std::string> hashedLines() {
        const std::string path = dir_.file("to_hash");
        std::string text;
        for (int i = 0; i < 4; ++i)
            text += any(names) + "," + any(names) + " " + key() + "\n";
        writeFile(path, text);
        shellOutput("/usr/bin/ssh-keygen -H -f " + quoted(path) + " >/dev/null 2>&1");
        return fileLines(path);
    }

    std::mt19937 random_;
    const TempDir& dir_;
    std::vector<std::string> keys_;
};

// Type and base64 of real keys of each kind ssh-keygen makes.
std::vector<std::string> sampleKeys(const TempDir& dir) {
    std::vector<std::string> keys;
    for (const std::string type : {"ed25519", "ecdsa", "rsa"}) {
        makeKeyPair(dir.file("key_" + type), type);
        const std::string line = readFile(dir.file("key_" + type + ".pub"));
        keys.push_back(line.substr(0, line.find(' ', line.find(' ') + 1)));
    }
    return keys;
}

// For every generated file and name: the lines found are those ssh-keygen -F
// finds (with the fingerprints ssh-keygen -l gives), and forgetting leaves
// the file, its .old copy and its mode as ssh-keygen -R does.
TEST(KnownHostsTest, FindingAndForgettingAgreeWithSshKeygen) {
    TempDir dir;
    const auto keys = sampleKeys(dir);
    std::size_t removals = 0, refusals = 0, hashedFound = 0;
    for (unsigned seed = 1; seed <= 24; ++seed) {
        KnownHostsGenerator generator(seed, dir, keys);
        const bool broken = seed % 4 == 0;
        const std::string text = generator.file(broken);
        const std::string file = dir.file("known_hosts");
        writeFile(file, text);
        for (const auto& name : names) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", name " + name + "\n" + text);
            const auto expected = foundBySshKeygen(name, file, false);
            const auto fingerprints = foundBySshKeygen(name, file, true);
            const auto found = findKeys(text, name, file, false);
            std::map<std::size_t, std::string> lines;
            for (const auto& key : found.keys) {
                lines[key.line] = "";
                hashedFound += key.hashed;
                if (fingerprints.contains(key.line)) {
                    EXPECT_EQ(key.fingerprint, fingerprints.at(key.line)) << key.line;
                }
            }
            EXPECT_EQ(lines, expected);

            const std::string ours = dir.file("ours"), theirs = dir.file("theirs");
            for (const auto& path : {ours, theirs}) {
                writeFile(path, text);
                ::chmod(path.c_str(), 0640);
                std::remove((path + ".old").c_str());
            }
            // ssh-keygen names each line it cannot read, blank lines of
            // carriage returns too.
            const std::string said = shellOutput("/usr/bin/ssh-keygen -R " + quoted(name) + " -f " +
                                                 quoted(theirs) + " 2>&1 >/dev/null");
            std::size_t invalid = 0;
            for (std::size_t at = 0; (at = said.find(": invalid line", at)) != std::string::npos;
                 ++at)
                ++invalid;
            EXPECT_EQ(found.malformedLines, invalid);
            KnownHostKeys lookup;
            lookup.lookupName = name;
            lookup.userFiles = {ours};
            try {
                removals += knownhosts::forgetKeys(lookup, dir.path()).lines();
            } catch (const FileError& refused) {
                EXPECT_GT(invalid, 0u) << refused.what();
                refusals += withoutName(text, name).firstMalformedLine > 0;
            }
            EXPECT_EQ(readFile(ours), readFile(theirs));
            EXPECT_EQ(modeOf(ours), 0640u);
            EXPECT_EQ(files::stampOf(ours + ".old").exists, files::stampOf(theirs + ".old").exists);
            if (files::stampOf(theirs + ".old").exists) {
                EXPECT_EQ(readFile(ours + ".old"), text);
            }
        }
    }
    EXPECT_GT(removals, 40u);
    EXPECT_GT(refusals, 5u);
    EXPECT_GT(hashedFound, 10u);
}

// The words of ssh -G's value ("none" for none).
std::vector<std::string> words(const std::vector<std::string>& values) {
    std::vector<std::string> out;
    std::istringstream in(values.empty() ? "" : values.front());
    for (std::string word; in >> word;)
        if (word != "none")
            out.push_back(word);
    return out;
}

// What ssh looks the key up by and where, as ssh -G expands the files.
TEST(KnownHostsTest, LookupFollowsTheConfiguration) {
    TempDir home;
    const std::string config = home.file("config");
    writeFile(config, "Host web\n  HostName Web.Example\n  Port 2222\n  CheckHostIP yes\n"
                      "  UserKnownHostsFile ~/kh/%h_%p %d/x ${HOME}/y %k %C %n %r %u %l %L %i\n"
                      "Host aliased\n  HostKeyAlias Shared\n  Port 2200\n  User ops\n"
                      "  GlobalKnownHostsFile /etc/one /etc/two\n"
                      "Host none\n  UserKnownHostsFile none\n  GlobalKnownHostsFile none\n"
                      "Host broken\n  UserKnownHostsFile %z ${MOORKEEP_UNSET_VARIABLE} ok\n");
    const config::OpenSSHEvaluator evaluator(config::readDocument(config, home.path()));
    const passwd* me = ::getpwuid(::getuid());
    const auto local = knownhosts::localFacts(me->pw_dir, me->pw_name);
    struct Case {
        std::string host, lookupName;
        bool checkHostIp;
    };
    for (const auto& [host, lookupName, checkHostIp] :
         std::vector<Case>{{"web", "[web.example]:2222", true},
                           {"aliased", "shared", false},
                           {"none", "none", false},
                           {"Other", "other", false},
                           {"broken", "broken", false}}) {
        SCOPED_TRACE(host);
        const auto lookup = knownhosts::lookupFor(evaluator.evaluate(host, me->pw_name), local);
        EXPECT_EQ(lookup.lookupName, lookupName);
        EXPECT_EQ(lookup.checkHostIp, checkHostIp);
        // ssh stops on the tokens it cannot expand; they are left out here.
        if (host == "broken") {
            EXPECT_EQ(lookup.userFiles, std::vector<std::string>{"ok"});
            continue;
        }
        auto view = sshView(config, host, std::getenv("HOME"));
        EXPECT_EQ(lookup.userFiles, words(view["userknownhostsfile"]));
        EXPECT_EQ(lookup.globalFiles, words(view["globalknownhostsfile"]));
    }
}

} // namespace
} // namespace moorkeep::test
