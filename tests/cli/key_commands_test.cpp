#include "cli_home.h"
#include "support/scoped_env.h"

#include <cstdlib>
#include <filesystem>
#include <tuple>

namespace moorkeep::test {
namespace {

const std::string lockedSecret = "old secret";
const std::string newSecret = "new secret";

using KeyCommandsTest = CliTest;

// Without --passphrase-stdin, or with an empty line, a key has no passphrase.
// A failed store operation: exit status 1 and its message, nothing changed.
TEST_F(KeyCommandsTest, GenerateMakesEachTypeUnprotectedAndRefusesAnExistingName) {
    home.makeKey("id_plain");
    home.change({"key", "gen", "rsa_key", "--type", "rsa", "--passphrase-stdin"}, "\n");
    home.change({"key", "gen", "ecdsa_key", "--type", "ecdsa"});
    for (const std::string type : {"rsa", "ecdsa"}) {
        EXPECT_EQ(home.key(type + "_key").type, type);
        EXPECT_TRUE(home.keyOpensWith(type + "_key", ""));
    }
    const std::string before = readFile(home.sshPath("id_plain"));
    home.refused({"key", "gen", "id_plain"}, 1, "already exists");
    EXPECT_EQ(readFile(home.sshPath("id_plain")), before);
}

// key passwd --stdin: the current and the new passphrase, one line each. The
// steps run in turn on the two keys. Without --stdin they are asked for on
// the terminal, unechoed.
TEST_F(KeyCommandsTest, PasswdTakesThePassphrasesFromStandardInputOrTheTerminal) {
    home.makeKey("id_plain");
    home.makeKey("id_locked", lockedSecret);
    // Each step: the key, the input, the exit status and the passphrase that
    // opens the key afterwards.
    const std::tuple<std::string, std::string, int, std::string> steps[] = {
        {"id_plain", "\n" + newSecret + "\n", 0, newSecret},
        {"id_locked", "wrong\n" + newSecret + "\n", 1, lockedSecret},
        // The last line needs no line end.
        {"id_locked", lockedSecret + "\n" + newSecret, 0, newSecret},
        {"id_locked", newSecret + "\n\n", 0, ""},
    };
    for (const auto& [key, input, status, opensWith] : steps) {
        SCOPED_TRACE(key + " " + std::to_string(status) + " " + opensWith);
        auto result = home.run({"key", "passwd", key, "--stdin"}, input);
        EXPECT_EQ(result.status, status) << result.err;
        EXPECT_TRUE(home.keyOpensWith(key, opensWith));
        // Whatever happened, no passphrase is repeated back.
        for (const std::string& secret : {lockedSecret, newSecret})
            EXPECT_THAT(result.out + result.err, testing::Not(HasSubstr(secret)));
    }
    auto asked = home.runOnTerminal({"key", "passwd", "id_plain"},
                                    {{"Current passphrase of id_plain: ", newSecret + "\n"},
                                     {"New passphrase (empty for none): ", lockedSecret + "\n"},
                                     {"Repeat the new passphrase: ", lockedSecret + "\n"}});
    EXPECT_EQ(asked.status, 0) << asked.out;
    for (const std::string& secret : {lockedSecret, newSecret})
        EXPECT_THAT(asked.out, testing::Not(HasSubstr(secret)));
    EXPECT_TRUE(home.keyOpensWith("id_plain", lockedSecret));
}

namespace fs = std::filesystem;

// Parallel changes of one key take their turns, each on the key as the one
// before left it: three runs from "a" to "b" and three back, all at once.
// Whatever the order, successes alternate, starting from "a", and the key
// opens with the new passphrase of the last one; a run whose current
// passphrase no longer opens the key fails and says why.
TEST_F(KeyCommandsTest, ParallelPasswdRunsTakeEffectInTurnOrFail) {
    home.makeKey("k", "a");
    TempDir runs;
    for (int i = 0; i < 6; ++i)
        writeFile(runs.file("in" + std::to_string(i)), i % 2 == 0 ? "a\nb\n" : "b\na\n");
    const std::string script =
        "dir=$1; shift; for i in 0 1 2 3 4 5; do (\"$@\" < \"$dir/in$i\" > \"$dir/out$i\" 2>&1; "
        "echo $? > \"$dir/status$i\") & done; wait";
    const auto command =
        home.args({"key", "passwd", "k", "--stdin"}, {"-c", script, "sh", runs.path(), cliPath});
    ASSERT_EQ(runProcess("/bin/sh", command).status, 0);
    int toB = 0, toA = 0;
    for (int i = 0; i < 6; ++i) {
        const std::string status = readFile(runs.file("status" + std::to_string(i)));
        const std::string said = readFile(runs.file("out" + std::to_string(i)));
        SCOPED_TRACE(said);
        if (status == "0\n")
            ++(i % 2 == 0 ? toB : toA);
        else
            EXPECT_THAT(status + said, HasSubstr("1\nmoorkeepctl: The current passphrase of "
                                                 "~/.ssh/k is not right."));
    }
    EXPECT_TRUE(toB == toA || toB == toA + 1) << toB << " to b, " << toA << " to a";
    EXPECT_GE(toB, 1);
    EXPECT_TRUE(home.keyOpensWith("k", toB > toA ? "b" : "a"));
}

// A change ended by SIGTERM while ssh-keygen works (a key of many KDF rounds
// keeps it busy) leaves neither the key's working copy nor the askpass
// folder, and the key as it was.
TEST_F(KeyCommandsTest, PasswdEndedMidChangeLeavesNothingBehind) {
    TempDir runtime;
    const ScopedEnv runtimeFolder("XDG_RUNTIME_DIR", runtime.path());
    ASSERT_EQ(std::system(("/usr/bin/ssh-keygen -q -t ed25519 -a 300 -N a -f '" +
                           home.sshPath("k") + "' </dev/null >/dev/null")
                              .c_str()),
              0);
    TempDir run;
    writeFile(run.file("in"), "a\nb\n");
    const std::string script =
        "ssh=$1 runtime=$2 in=$3; shift 3; \"$@\" < \"$in\" & n=0; "
        "until ls \"$ssh\"/.k.* && ls -d \"$runtime\"/moorkeep-askpass-*; do "
        "n=$((n+1)); [ $n -lt 1000 ] || exit 3; sleep 0.01; done >/dev/null 2>&1; "
        "kill -TERM $!; wait $!";
    const auto command =
        home.args({"key", "passwd", "k", "--stdin"},
                  {"-c", script, "sh", home.sshPath(""), runtime.path(), run.file("in"), cliPath});
    EXPECT_EQ(runProcess("/bin/sh", command).status, 128 + SIGTERM);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(home.sshPath("")))
        left.push_back(entry.path().filename());
    EXPECT_THAT(left, testing::UnorderedElementsAre("k", "k.pub"));
    EXPECT_TRUE(fs::is_empty(runtime.path()));
    EXPECT_TRUE(home.keyOpensWith("k", "a"));
}

const std::string configText = "# managed by hand\n"
                               "Host *\n"
                               "\tServerAliveInterval 30\n"
                               "\n"
                               "Host db\n"
                               "  HostName db.internal   # the database\n";

// A certificate beside its key, or one a CertificateFile line names
// elsewhere, is shown on the key, in JSON and as text, never as a key:
// deleting it by its name is refused with its key's name, and deleting the
// key names every file it removes, the certificate beside it too.
TEST_F(KeyCommandsTest, CertificatesGoWithTheirKeyAndAreNoKeyOfTheirOwn) {
    home.makeKey("id_ed25519");
    makeKeyPair(home.home() + "/ca");
    const auto sign = [&](const std::string& options) {
        return std::system(("/usr/bin/ssh-keygen -q -s " + home.home() + "/ca " + options + " " +
                            home.sshPath("id_ed25519.pub") + " 2>/dev/null")
                               .c_str());
    };
    ASSERT_EQ(sign("-I work -n ci"), 0);
    fs::create_directory(home.home() + "/certs");
    fs::rename(home.sshPath("id_ed25519-cert.pub"), home.home() + "/certs/work-cert.pub");
    home.writeConfig("Host ci\n  IdentityFile none\n  CertificateFile %d/certs/work-cert.pub\n"
                     "Host *\n  CertificateFile ~/.ssh/id_ed25519-cert.pub\n");
    ASSERT_EQ(sign("-I desk -n alice,bob"), 0);
    const auto listed = nlohmann::json::parse(home.run({"key", "list", "--json"}).out);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["bits"], 256);
    ASSERT_EQ(listed[0]["certificates"].size(), 2u);
    EXPECT_EQ(listed[0]["certificates"][0]["principals"], (nlohmann::json{"alice", "bob"}));
    EXPECT_EQ(listed[0]["certificates"][0]["validBefore"], nullptr);
    EXPECT_EQ(listed[0]["certificates"][1]["path"], "~/certs/work-cert.pub");
    EXPECT_EQ(listed[0]["certificates"][1]["principals"], (nlohmann::json{"ci"}));
    EXPECT_THAT(home.run({"key", "show", "id_ed25519"}).out,
                HasSubstr("~/.ssh/id_ed25519-cert.pub: user certificate \"desk\", serial 0, for "
                          "alice, bob, valid forever"));
    for (const std::string name : {"id_ed25519-cert", "id_ed25519-cert.pub"})
        home.refused({"key", "rm", name}, 2,
                     "certificate of the key id_ed25519 (~/.ssh/id_ed25519)");
    EXPECT_TRUE(fs::exists(home.sshPath("id_ed25519-cert.pub")));
    EXPECT_EQ(home.run({"key", "rm", "id_ed25519"}).out,
              "Deleted ~/.ssh/id_ed25519\nDeleted ~/.ssh/id_ed25519.pub\n"
              "Deleted ~/.ssh/id_ed25519-cert.pub\n");
    EXPECT_EQ(entries(home.home() + "/.ssh"), std::vector<std::string>{"config"});
    EXPECT_TRUE(fs::exists(home.home() + "/certs/work-cert.pub"));
}

// A private key without its public file is listed; recreate-pub writes the
// file ssh-keygen -y gives, comment included, asking a protected key's
// passphrase; then it is refused. Such a key is deleted as any other.
TEST_F(KeyCommandsTest, RecreatePubRebuildsAMissingPublicFile) {
    home.makeKey("id_open");
    home.makeKey("id_locked", lockedSecret);
    for (const std::string name : {"id_open", "id_locked"}) {
        const std::string before = readFile(home.sshPath(name + ".pub"));
        fs::remove(home.sshPath(name + ".pub"));
        EXPECT_TRUE(home.key(name).publicKeyMissing);
        EXPECT_THAT(home.run({"key", "show", name}).out, HasSubstr("missing"));
        if (name == "id_locked")
            home.refused({"key", "recreate-pub", name, "--stdin"}, 1, "passphrase", "wrong\n");
        EXPECT_EQ(home.run({"key", "recreate-pub", name, "--stdin"}, lockedSecret + "\n").out,
                  "Wrote ~/.ssh/" + name + ".pub\n");
        EXPECT_EQ(readFile(home.sshPath(name + ".pub")), before);
        EXPECT_FALSE(home.key(name).publicKeyMissing);
        home.refused({"key", "recreate-pub", name}, 2, "exists already");
    }
    fs::remove(home.sshPath("id_open.pub"));
    EXPECT_EQ(home.run({"key", "rm", "id_open"}).out, "Deleted ~/.ssh/id_open\n");
    EXPECT_FALSE(fs::exists(home.sshPath("id_open")));
}

// A whole working session from the terminal, as a user would type it, with
// the files checked along the way.
TEST(ScriptedSessionTest, AddEditRenameGenerateProtectAndRemove) {
    CliHome home;
    home.writeConfig(configText);
    home.makeKey("id_work");
    home.change({"host", "add", "web", "--hostname", "web.example.com", "--user", "deploy", "--key",
                 "id_work"});
    // The bytes the application writes for the same changes.
    home.change({"host", "edit", "web", "--alias", "www", "--port", "2222", "--option",
                 "ForwardAgent=yes"});
    // Host * applies to the new host too: its block goes first, so that
    // OpenSSH reads its values.
    EXPECT_EQ(home.config(), "Host www\n  HostName web.example.com\n  User deploy\n"
                             "  IdentityFile ~/.ssh/id_work\n  Port 2222\n  ForwardAgent yes\n\n" +
                                 configText);
    home.change({"key", "rename", "id_work", "  Work \n"});
    EXPECT_EQ(home.key("id_work").name, "Work");

    home.refused({"key", "rm", "Work"}, 2, "used by www");
    EXPECT_TRUE(fs::exists(home.sshPath("id_work")));

    home.change({"key", "gen", "deploy_key", "--comment", " ops@example.com ", "--display-name",
                 "  Deploy\n", "--passphrase-stdin"},
                "first secret\n");
    EXPECT_TRUE(home.keyOpensWith("deploy_key", "first secret"));
    EXPECT_FALSE(home.keyOpensWith("deploy_key", ""));
    EXPECT_EQ(home.key("deploy_key").name, "Deploy");
    const std::string pub = readFile(home.sshPath("deploy_key.pub"));
    EXPECT_EQ(pub.substr(pub.find(' ', pub.find(' ') + 1)), " ops@example.com\n");

    home.change({"host", "edit", "www", "--key", "Deploy"});
    EXPECT_EQ(home.run({"key", "rm", "Work"}).out,
              "Deleted ~/.ssh/id_work\nDeleted ~/.ssh/id_work.pub\n");
    EXPECT_FALSE(fs::exists(home.sshPath("id_work")));
    EXPECT_THAT(home.config(), HasSubstr("IdentityFile ~/.ssh/deploy_key"));

    EXPECT_EQ(home.run({"key", "rm", "Deploy", "--force"}).status, 0);
    home.change({"host", "rm", "www"});
    EXPECT_FALSE(fs::exists(home.sshPath("deploy_key")));
    // The blank line that set the new block apart stays, as after any
    // block deleted from the top of a file.
    EXPECT_EQ(home.config(), "\n" + configText);
}

} // namespace
} // namespace moorkeep::test
