#include "cli_home.h"
#include "model/record_json.h"
#include "stores/user_meta_store.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;

const std::string lockedSecret = "old secret";

class KeyCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        home.makeKey("id_plain");
        home.makeKey("id_locked", lockedSecret);
    }

    SSHKey keyAt(const std::string& file) const {
        for (const auto& key : home.snapshot().keys)
            if (key.path == "~/.ssh/" + file)
                return key;
        ADD_FAILURE() << "no key " << file;
        return {};
    }

    bool hasFiles(const std::string& name) const {
        return fs::exists(home.sshPath(name)) && fs::exists(home.sshPath(name + ".pub"));
    }

    void expectSuccess(const std::vector<std::string>& command,
                       const std::string& input = "") const {
        auto result = home.run(command, input);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out + result.err, "");
    }

    CliHome home;
};

TEST_F(KeyCommandsTest, ListDescribesEveryKeyPair) {
    auto keys =
        nlohmann::json::parse(home.run({"key", "list", "--json"}).out).get<std::vector<SSHKey>>();
    ASSERT_EQ(keys.size(), 2u);
    for (const auto& key : keys) {
        std::string file = key.path.substr(std::string("~/.ssh/").size());
        EXPECT_EQ(key.name, file);
        EXPECT_EQ(key.type, "ed25519");
        EXPECT_EQ(key.hasPassphrase, file == "id_locked");
        EXPECT_EQ(key.fingerprint.rfind("SHA256:", 0), 0u) << key.fingerprint;
        EXPECT_EQ(key.publicKey + "\n", readFile(home.sshPath(file + ".pub")));
    }
}

TEST_F(KeyCommandsTest, PubPrintsThePublicKeyAlone) {
    auto result = home.run({"key", "pub", "id_locked"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, readFile(home.sshPath("id_locked.pub")));
}

TEST_F(KeyCommandsTest, RenameGivesATrimmedDisplayName) {
    expectSuccess({"key", "rename", "id_plain", "  Laptop \n"});
    SSHKey key = keyAt("id_plain");
    EXPECT_EQ(key.name, "Laptop");
    EXPECT_EQ(UserMetaStore(home.metaPath()).load().keyMeta,
              (std::vector<KeyMetaEntry>{{key.id, "Laptop"}}));
    EXPECT_TRUE(hasFiles("id_plain"));
    // Found by its new name and still by its file name.
    EXPECT_EQ(home.run({"key", "pub", "Laptop"}).out, home.run({"key", "pub", "id_plain"}).out);
}

TEST_F(KeyCommandsTest, RemoveDeletesBothFiles) {
    expectSuccess({"key", "rm", "id_plain"});
    EXPECT_FALSE(fs::exists(home.sshPath("id_plain")));
    EXPECT_FALSE(fs::exists(home.sshPath("id_plain.pub")));
    ASSERT_EQ(home.snapshot().keys.size(), 1u);
    EXPECT_TRUE(hasFiles("id_locked"));
}

TEST_F(KeyCommandsTest, RemoveIsRefusedWhileHostsUseTheKey) {
    home.writeConfig("Host web\n    IdentityFile ~/.ssh/id_plain\n");
    auto refused = home.run({"key", "rm", "id_plain"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("used by web"), std::string::npos) << refused.err;
    EXPECT_TRUE(hasFiles("id_plain"));

    expectSuccess({"key", "rm", "id_plain", "--force"});
    EXPECT_FALSE(fs::exists(home.sshPath("id_plain")));
}

TEST_F(KeyCommandsTest, GenerateMakesAProtectedKeyWithCommentAndName) {
    expectSuccess({"key", "gen", "work", "--comment", " me@example.com ", "--display-name",
                   "  Work key\n", "--passphrase-stdin"},
                  "s3cret phrase\n");
    EXPECT_TRUE(home.keyOpensWith("work", "s3cret phrase"));
    EXPECT_FALSE(home.keyOpensWith("work", ""));
    EXPECT_NE(readFile(home.sshPath("work.pub")).find(" me@example.com\n"), std::string::npos);
    SSHKey key = keyAt("work");
    EXPECT_EQ(key.name, "Work key");
    EXPECT_EQ(key.type, "ed25519");
    EXPECT_EQ(key.hasPassphrase, true);
}

TEST_F(KeyCommandsTest, AnEmptyPassphraseLineMeansNone) {
    expectSuccess({"key", "gen", "work", "--passphrase-stdin"}, "\n");
    EXPECT_TRUE(home.keyOpensWith("work", ""));
    EXPECT_EQ(keyAt("work").name, "work");
}

TEST_F(KeyCommandsTest, GenerateRefusesAnExistingName) {
    const std::string before = readFile(home.sshPath("id_plain"));
    auto result = home.run({"key", "gen", "id_plain"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "moorkeepctl: A key named \"id_plain\" already exists in ~/.ssh\n");
    EXPECT_EQ(readFile(home.sshPath("id_plain")), before);
}

class KeyTypeTest : public KeyCommandsTest, public testing::WithParamInterface<std::string> {};

TEST_P(KeyTypeTest, GeneratesThatType) {
    expectSuccess({"key", "gen", "typed", "--type", GetParam()});
    EXPECT_EQ(keyAt("typed").type, GetParam());
    EXPECT_EQ(keyAt("typed").hasPassphrase, false);
}

INSTANTIATE_TEST_SUITE_P(Types, KeyTypeTest, testing::Values("ed25519", "rsa", "ecdsa"));

// key passwd --stdin: the current and the new passphrase, one line each.
struct PasswdCase {
    std::string name;
    std::string key;
    std::string input;
    int status;
    std::string opensWith; // the passphrase that opens the key afterwards
};

class PasswdTest : public KeyCommandsTest, public testing::WithParamInterface<PasswdCase> {};

TEST_P(PasswdTest, ChangesThePassphrase) {
    auto result = home.run({"key", "passwd", GetParam().key, "--stdin"}, GetParam().input);
    EXPECT_EQ(result.status, GetParam().status) << result.err;
    EXPECT_TRUE(home.keyOpensWith(GetParam().key, GetParam().opensWith));
    EXPECT_EQ(keyAt(GetParam().key).hasPassphrase, !GetParam().opensWith.empty());
    // Whatever happened, no passphrase is repeated back.
    for (const std::string& secret : {lockedSecret, std::string("new secret")})
        EXPECT_EQ((result.out + result.err).find(secret), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswdTest,
    testing::Values(
        PasswdCase{"set", "id_plain", "\nnew secret\n", 0, "new secret"},
        PasswdCase{"change", "id_locked", lockedSecret + "\nnew secret\n", 0, "new secret"},
        PasswdCase{"changeLastLineUnended", "id_locked", lockedSecret + "\nnew secret", 0,
                   "new secret"},
        PasswdCase{"remove", "id_locked", lockedSecret + "\n\n", 0, ""},
        PasswdCase{"wrongCurrent", "id_locked", "wrong\nnew secret\n", 1, lockedSecret}),
    [](const auto& info) { return info.param.name; });

TEST_F(KeyCommandsTest, AWrongCurrentPassphraseReportsTheToolsFailure) {
    auto result = home.run({"key", "passwd", "id_locked", "--stdin"}, "wrong\nnew\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("moorkeepctl: ssh-keygen failed: ", 0), 0u) << result.err;
}

// Without --stdin the passphrases are asked for on the terminal, unechoed.
TEST_F(KeyCommandsTest, PasswdAsksOnTheTerminalWithoutEcho) {
    auto result = home.runOnTerminal({"key", "passwd", "id_locked"},
                                     {{"Current passphrase of id_locked: ", lockedSecret + "\n"},
                                      {"New passphrase (empty for none): ", "new secret\n"},
                                      {"Repeat the new passphrase: ", "new secret\n"}});
    EXPECT_EQ(result.status, 0) << result.screen;
    EXPECT_EQ(result.screen.find(lockedSecret), std::string::npos) << result.screen;
    EXPECT_EQ(result.screen.find("new secret"), std::string::npos) << result.screen;
    EXPECT_TRUE(home.keyOpensWith("id_locked", "new secret"));
}

TEST_F(KeyCommandsTest, PasswdDoesNotAskAnUnprotectedKeyForItsPassphrase) {
    auto result = home.runOnTerminal({"key", "passwd", "id_plain"},
                                     {{"New passphrase (empty for none): ", "new secret\n"},
                                      {"Repeat the new passphrase: ", "new secret\n"}});
    EXPECT_EQ(result.status, 0) << result.screen;
    EXPECT_EQ(result.screen.find("Current"), std::string::npos) << result.screen;
    EXPECT_TRUE(home.keyOpensWith("id_plain", "new secret"));
}

TEST_F(KeyCommandsTest, PasswdRefusesTwoDifferentNewPassphrases) {
    auto result = home.runOnTerminal({"key", "passwd", "id_plain"},
                                     {{"New passphrase (empty for none): ", "new secret\n"},
                                      {"Repeat the new passphrase: ", "new secret?\n"}});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.screen.find("Passphrases do not match"), std::string::npos);
    EXPECT_TRUE(home.keyOpensWith("id_plain", ""));
}

TEST_F(KeyCommandsTest, PasswdStdinKeepsASecondLineTypedAheadOnATerminal) {
    auto result = home.runOnTerminal({"key", "passwd", "id_locked", "--stdin"},
                                     {{"", lockedSecret + "\nnew secret\n"}});
    EXPECT_EQ(result.status, 0) << result.screen;
    EXPECT_TRUE(home.keyOpensWith("id_locked", "new secret"));
}

TEST_F(KeyCommandsTest, PasswdWithoutATerminalPointsToStdin) {
    auto result = home.run({"key", "passwd", "id_plain"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("use --stdin"), std::string::npos) << result.err;
}

} // namespace
} // namespace moorkeep::test
