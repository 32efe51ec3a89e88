#include "keys/key_changes.h"
#include "keys/key_scanner.h"
#include "model/vault_error.h"
#include "support/key_files.h"
#include "support/scoped_env.h"
#include "support/store_home.h"
#include "support/system_store_test.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using testing::IsEmpty;
using testing::Not;
using testing::Optional;
using testing::Pair;
using testing::ThrowsMessage;

TEST_F(SystemVaultStoreTest, GenerateMakesEachTypeOfPairAndListsIt) {
    const GenerateKeyOptions cases[] = {{"ed_open", "ed25519", "", ""},
                                        {"ed_locked", "ed25519", "secret words", "me@example.com"},
                                        {"ecdsa_ci", "ecdsa", "", "ci"},
                                        {"rsa_locked", "rsa", "p\xC3\xA4sswort", ""}};
    for (const GenerateKeyOptions& options : cases) {
        const SSHKey key = keyNamed(store->generateKey(options), options.name);
        EXPECT_EQ(key.path, "~/.ssh/" + options.name);
        EXPECT_EQ(key.type, options.type);
        EXPECT_EQ(key.hasPassphrase, !options.passphrase->empty()) << options.name;
        EXPECT_TRUE(key.publicKey.ends_with(" " + options.comment.value_or("")) ||
                    options.comment->empty())
            << key.publicKey;
    }
    EXPECT_EQ(fs::status(ssh("")).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(keyNamed(store->generateKey({"my key.old", "ed25519", {}, {}}), "my_key_old").path,
              "~/.ssh/my_key_old");
    EXPECT_TRUE(fs::exists(ssh("my_key_old")));
}

// A key change that cannot be made says why, of the key itself (never of
// the working copy the tool was given), and leaves the key as it was.
TEST_F(SystemVaultStoreTest, KeyChangesThatCannotBeMadeSayWhy) {
    makeKeyPair(ssh("work"), "ed25519", "right");
    writeFile(ssh("lone.pub"), "ssh-ed25519 AAAA test\n");
    const std::string before = readFile(ssh("work"));
    const std::string work = KeyScanner::keyId(ssh("work")), lone = KeyScanner::keyId(ssh("lone"));
    using Kind = VaultError::Kind;
    const auto generate = [&](std::string name, std::string type = "ed25519") {
        return failureOf([&] { store->generateKey({name, type, {}, {}}); });
    };
    const auto change = [&](std::string id) {
        return failureOf([&] { store->changePassphrase({id, "", "new"}); });
    };
    EXPECT_EQ(generate("lone"), Failure(Kind::keyAlreadyExists, "lone"));
    EXPECT_EQ(generate(""), Failure(Kind::keyAlreadyExists, ""));
    EXPECT_EQ(change(lone), Failure(Kind::keyFileNotFound, "~/.ssh/lone"));
    EXPECT_EQ(change("0000"), Failure(Kind::keyNotFound, "0000"));
    const auto wrongOld = [&] { store->changePassphrase({work, "wrong", "new"}); };
    EXPECT_EQ(failureOf(wrongOld), Failure(Kind::wrongPassphrase, "~/.ssh/work"));
    EXPECT_THAT(wrongOld,
                ThrowsMessage<VaultError>("The current passphrase of ~/.ssh/work is not right."));
    EXPECT_EQ(readFile(ssh("work")), before);
    // ssh-keygen refusing, or missing, says so in its own words.
    const auto toolFailed = Optional(Pair(Kind::sshKeygenFailed, Not(IsEmpty())));
    EXPECT_THAT(generate("bad", "no-such-type"), toolFailed);
    store = makeStore(home.file("missing-tool"));
    EXPECT_THAT(generate("x"), toolFailed);
    // The tool's words name the key, not the working copy, in one line.
    KeyToolResult result{1, "", "Saving key \"/h/.ssh/.work.Ab12Cd\" failed:\r\n  disk full\r\n"};
    EXPECT_EQ(KeyChanges::failureMessage(result, "/h/.ssh/.work.Ab12Cd", "~/.ssh/work"),
              "Saving key \"~/.ssh/work\" failed: disk full");
    EXPECT_FALSE(KeyChanges::isWrongPassphrase(result));
}

// A passphrase is given, set, changed and removed without ever being an
// argument of the tool or leaving a file behind.
TEST_F(SystemVaultStoreTest, PassphrasesAreSetChangedAndRemovedOutsideAnyArgumentList) {
    TempDir scratch;
    const std::string snapshots = tools.file("processes");
    store = makeStore(
        recordingKeyTool(tools.path(), toolLog, watchingKeyTool(tools.path(), snapshots)));
    makeKeyPair(ssh("work"));
    {
        const ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt), tmp("TMPDIR", scratch.path());
        const std::string id = store->loadData().keys.at(0).id;
        EXPECT_EQ(store->changePassphrase({id, "", "TopSecret-1"}).at(0).hasPassphrase, true);
        EXPECT_EQ(KeyScanner::scan(ssh("")).at(0).hasPassphrase, true);
        EXPECT_EQ(store->changePassphrase({id, "TopSecret-1", "TopSecret-2"}).at(0).hasPassphrase,
                  true);
        EXPECT_EQ(store->changePassphrase({id, "TopSecret-2", ""}).at(0).hasPassphrase, false);
        EXPECT_EQ(KeyScanner::scan(ssh("")).at(0).hasPassphrase, false);
        store->generateKey({"guarded", "ed25519", "TopSecret-3", {}});
    }
    const std::string arguments = readFile(toolLog);
    EXPECT_EQ(arguments.find("TopSecret"), std::string::npos) << arguments;
    EXPECT_NE(arguments.find("-p -f"), std::string::npos) << arguments;
    EXPECT_TRUE(fs::is_empty(scratch.path())) << "the askpass folder is removed";
    // Nor in the environment or command line of ssh-keygen or of its askpass
    // helper (asked 2 + 3 + 1 times for the changes, twice for the new key).
    const std::string seen = readFile(snapshots);
    EXPECT_EQ(std::ranges::count(fileLines(snapshots), "askpass"), 8);
    EXPECT_EQ(seen.find("TopSecret"), std::string::npos);
}

} // namespace
} // namespace moorkeep::test
