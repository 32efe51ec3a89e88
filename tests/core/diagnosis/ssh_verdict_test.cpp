#include "diagnosis/diagnosis.h"
#include "diagnosis/ssh_verdict.h"
#include "support/store_home.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

// A seeded corpus of generated configurations, each with a main file and a
// file it includes: ones with faults of the kinds ssh reports, and clean
// ones. Every message the real `ssh -G` prints must come back as a finding
// with the same file, line and words, every fault planted must be found at
// its line, and the clean ones give no error or warning.
namespace moorkeep::test {
namespace {

constexpr int corpusSize = 200;

struct Fault {
    std::string line;
    bool error; // ssh refuses for it; else it warns
};

const std::vector<Fault> faults{
    {"Usr bob", true},
    {"Port abc", true},
    {"Port 0", true},
    {"User", true},
    {"Compression maybe", true},
    {"Port 22 33", true},
    {"ForwardAgentt yes", true},
    {"RSAAuthentication yes", false},
    {"UsePrivilegedPort no", false},
    {"CompressionLevel 4", false},
};

const std::vector<std::string> goodLines{"HostName %h.example.net",
                                         "User deploy",
                                         "Port 2222",
                                         "ForwardAgent no",
                                         "ServerAliveInterval 30",
                                         "Compression yes",
                                         "IdentityFile ~/.ssh/id_corpus",
                                         "LocalForward 8080 localhost:80",
                                         "SetEnv LANG=C"};

struct Generated {
    std::string main, included;
    std::vector<std::pair<std::string, std::size_t>> planted; // file name, line
    bool refuses = false;
};

// Host blocks of unique aliases with a few good lines; when faulty, one to
// three lines replaced by faults.
Generated generate(std::mt19937& random, int index, bool faulty, const std::string& folder) {
    Generated out;
    std::string* files[] = {&out.main, &out.included};
    const std::string names[] = {"config", "inc" + std::to_string(index)};
    std::size_t lines[] = {0, 0};
    auto add = [&](int file, const std::string& text) {
        *files[file] += text + "\n";
        ++lines[file];
    };
    const int blocks = 2 + static_cast<int>(random() % 5);
    int planted = faulty ? 1 + static_cast<int>(random() % 3) : 0;
    for (int b = 0; b < blocks; ++b) {
        const int file = static_cast<int>(random() % 2);
        add(file, "Host h" + std::to_string(index) + "-" + std::to_string(b));
        for (int l = static_cast<int>(random() % 4); l >= 0; --l) {
            if (planted > 0 && random() % 3 == 0) {
                const Fault& fault = faults[random() % faults.size()];
                add(file, "  " + fault.line);
                out.planted.emplace_back(names[file], lines[file]);
                out.refuses = out.refuses || fault.error;
                --planted;
            } else {
                add(file, "  " + goodLines[random() % goodLines.size()]);
            }
        }
    }
    if (planted > 0) {
        add(0, "  Usr fallback");
        out.planted.emplace_back(names[0], lines[0]);
        out.refuses = true;
    }
    // Read last, so that ssh, which stops after an included file it
    // refuses, has read the main file whole.
    add(0, "Match all");
    add(0, "Include " + folder + names[1]);
    add(1, "Host *\n  User everyone");
    return out;
}

// What ssh prints, as the verdict asks it, line by line: messages, and of
// its debugging output the deprecated options.
std::vector<std::string> sshMessages(const std::string& config) {
    KeyToolOptions options;
    options.environment = {{"SHELL", "/usr/bin/false"}};
    const auto run =
        runKeyTool("/usr/bin/ssh", {"-v", "-T", "-G", "-F", config, "--", "moorkeep-check.invalid"},
                   30, options);
    std::vector<std::string> messages;
    std::istringstream lines(run.errorOutput);
    for (std::string line; std::getline(lines, line);) {
        std::erase(line, '\r');
        if (line.starts_with("debug1: ") && line.find("Deprecated option") != std::string::npos)
            line.erase(0, 8);
        if (!line.starts_with("debug") && !line.starts_with("OpenSSH_"))
            messages.push_back(line);
    }
    return messages;
}

// The ways ssh writes a message at a line, and at a file.
bool printedAs(const std::string& message, const Finding& f) {
    const std::string at = " line " + std::to_string(f.line) + ": " + f.message;
    return message == f.path + at || message == f.path + ":" + at ||
           message == f.path + ": " + f.message || (f.line == 0 && message == f.message);
}

class SshVerdictTest : public StoreHome {};

TEST_F(SshVerdictTest, AgreesWithSshOnASeededCorpus) {
    writeFile(ssh("id_corpus"), "not a key\n");
    ::chmod(ssh("id_corpus").c_str(), 0600);
    SystemVaultStore store(onHome());
    std::mt19937 random(20261209);
    std::size_t messagesSeen = 0;
    for (int index = 0; index < 2 * corpusSize; ++index) {
        const bool faulty = index < corpusSize;
        const Generated g = generate(random, index, faulty, ssh(""));
        writeConfig(g.main);
        writeFile(ssh("inc" + std::to_string(index)), g.included);
        const Diagnosis diagnosis = store.diagnose();
        const std::string context = g.main + "--- included:\n" + g.included;
        for (const std::string& message : sshMessages(ssh("config"))) {
            ++messagesSeen;
            EXPECT_TRUE(std::ranges::any_of(
                diagnosis.findings, [&](const Finding& f) { return printedAs(message, f); }))
                << message << "\n"
                << context;
        }
        for (const auto& [file, line] : g.planted)
            EXPECT_TRUE(std::ranges::any_of(
                diagnosis.findings,
                [&](const Finding& f) { return f.path == ssh(file) && f.line == line; }))
                << file << ":" << line << "\n"
                << context;
        EXPECT_EQ(diagnosis.refusal() != nullptr, g.refuses) << context;
        if (!faulty) {
            EXPECT_EQ(diagnosis.count(Severity::error) + diagnosis.count(Severity::warning), 0u)
                << context;
        }
    }
    EXPECT_GT(messagesSeen, static_cast<std::size_t>(corpusSize));
}

// ssh's ways of naming a place, read without ssh: at a line (with and
// without a colon after the file), a count at the end, a file refused, and a
// message that names no file, which goes to the main file.
TEST_F(SshVerdictTest, PlacesEachFormOfMessage) {
    const StoreFiles files{home.path(), ssh("config")};
    const auto found = SshVerdict::findingsOf(
        ssh("config") + ": line 3: Bad configuration option: usr\r\n" + ssh("in c") +
            " line 12: Bad port 'abc'.\ndebug1: " + ssh("config") +
            " line 4: Applying options for *\ndebug1: " + ssh("config") +
            " line 5: Deprecated option \"protocol\"\n" + ssh("config") +
            ": terminating, 2 bad configuration options\nBad owner or permissions on " +
            ssh("in c") + "\nCannot forward agent socket path \"x\"\n" + ssh("config") +
            ": line 3: Bad configuration option: usr\n",
        255, files);
    std::vector<std::string> shown;
    for (const Finding& f : found)
        shown.push_back(f.code + " " + severityName(f.severity) + " " + findingLine(f));
    EXPECT_EQ(shown,
              (std::vector<std::string>{
                  "bad-option error ~/.ssh/config:3 Bad configuration option: usr",
                  "openssh-error error ~/.ssh/in c:12 Bad port 'abc'.",
                  "deprecated-option warning ~/.ssh/config:5 Deprecated option \"protocol\"",
                  "refused error ~/.ssh/config terminating, 2 bad configuration options",
                  "config-permissions error ~/.ssh/in c Bad owner or permissions on " + ssh("in c"),
                  "openssh-error error ~/.ssh/config Cannot forward agent socket path \"x\""}));
    EXPECT_EQ(SshVerdict::findingsOf("Cannot forward agent socket path \"x\"\n", 0, files)[0].code,
              "openssh-warning");
}

} // namespace
} // namespace moorkeep::test
