#include "cli_home.h"

namespace moorkeep::test {
namespace {

const std::string lockedSecret = "old secret";
const std::string newSecret = "new secret";

class KeyCommandsTest : public CliTest {
protected:
    void SetUp() override {
        home.makeKey("id_plain");
        home.makeKey("id_locked", lockedSecret);
    }
};

// Without --passphrase-stdin, or with an empty line, a key has no passphrase.
// A failed store operation: exit status 1 and its message, nothing changed.
TEST_F(KeyCommandsTest, GenerateMakesEachTypeUnprotectedAndRefusesAnExistingName) {
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
    const struct {
        std::string key;
        std::string input;
        int status;
        std::string opensWith; // the passphrase that opens the key afterwards
    } steps[] = {
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
        EXPECT_EQ(home.key(key).hasPassphrase, !opensWith.empty());
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

} // namespace
} // namespace moorkeep::test
