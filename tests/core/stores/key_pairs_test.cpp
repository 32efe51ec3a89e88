#include "files/file_error.h"
#include "keys/key_changes.h"
#include "keys/key_scanner.h"
#include "model/vault_error.h"
#include "stores/vault_rules.h"
#include "support/full_disk.h"
#include "support/key_files.h"
#include "support/records.h"
#include "support/scoped_env.h"
#include "support/store_home.h"
#include "support/system_store_test.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::HasSubstr;
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
    EXPECT_EQ(std::ranges::count(fileLines(snapshots), "askpass"), 8);
    EXPECT_EQ(readFile(snapshots).find("TopSecret"), std::string::npos);
}

TEST_F(GuardedChanges, AKeyChangeThatFailsLeavesTheKeyByteForByteOrNoNewFile) {
    makeKeyPair(ssh("id_ed25519"));
    const std::string original = readFile(ssh("id_ed25519"));
    const ChangePassphraseOptions change{idOf("id_ed25519"), "", "new passphrase"};
    // What ssh-keygen does when the disk is full: the file it rewrites is
    // gone. Then a tool that dies half-way, and a full disk for our copy.
    for (const auto& body : {std::string("for last; do :; done\nrm -f \"$last\"\n"
                                         "echo 'No space left on device' >&2\nexit 1\n"),
                             std::string("for last; do :; done\n: > \"$last\"\nkill -SEGV $$\n")}) {
        SystemVaultStore failing(onHome(standIn("ssh-keygen", body)));
        EXPECT_THROW(failing.changePassphrase(change), VaultError);
        EXPECT_EQ(readFile(ssh("id_ed25519")), original);
        EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"id_ed25519", "id_ed25519.pub"}));
    }
    {
        const FullDisk diskFull;
        EXPECT_THROW(store.changePassphrase(change), FileError);
    }
    EXPECT_EQ(readFile(ssh("id_ed25519")), original);
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"id_ed25519", "id_ed25519.pub"}));

    // And the change itself still works, through the copy.
    store.changePassphrase(change);
    EXPECT_NE(readFile(ssh("id_ed25519")), original);
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"id_ed25519", "id_ed25519.pub"}));
    EXPECT_EQ(modeOf(ssh("id_ed25519")), 0600u);
    fs::remove(ssh("id_ed25519"));
    fs::remove(ssh("id_ed25519.pub"));

    // A generation that fails leaves nothing behind. The tool writes the private key and an empty
    // public one, as on a full disk, and may even say it succeeded.
    for (const std::string status : {"1", "0"}) {
        const std::string script = "while [ \"$1\" != -f ]; do shift; done\n"
                                   "echo key > \"$2\"\n: > \"$2.pub\"\nexit " +
                                   status + "\n";
        SystemVaultStore failing(onHome(standIn("ssh-keygen", script)));
        EXPECT_THROW(failing.generateKey({"work", "ed25519", {}, {}}), VaultError);
        EXPECT_TRUE(entries(ssh("")).empty()) << entries(ssh("")).size();
    }
    // The name is free, not "already exists".
    EXPECT_EQ(store.generateKey({"work", "ed25519", {}, {}}).size(), 1u);
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"work", "work.pub"}));
}

TEST_F(GuardedChanges, TheRealToolOnAFullDiskLosesNothing) {
    fs::create_directories(ssh(""));
    if (::mount("tmpfs", ssh("").c_str(), "tmpfs", 0, "size=64k,mode=0700") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{ssh("")};
    makeKeyPair(ssh("id_ed25519"));
    const std::string original = readFile(ssh("id_ed25519"));
    // Fills the disk page by page; returns the number of pages taken.
    int pages = 0;
    auto fill = [&] {
        for (;; ++pages) {
            const std::string filler = ssh(".filler" + std::to_string(pages));
            FILE* file = std::fopen(filler.c_str(), "w");
            bool full = !file || std::fwrite(std::string(4096, 'x').data(), 1, 4096, file) != 4096;
            if (file && std::fclose(file) != 0)
                full = true;
            if (full) {
                fs::remove(filler);
                return;
            }
        }
    };
    fill();
    ASSERT_GT(pages, 0);
    // Room for the private key, not for the public one.
    fs::remove(ssh(".filler" + std::to_string(--pages)));
    EXPECT_ANY_THROW(store.generateKey({"work", "ed25519", {}, {}}));
    for (const auto& name : entries(ssh("")))
        EXPECT_TRUE(name.starts_with("id_ed25519") || name.starts_with(".filler")) << name;

    fill();
    EXPECT_ANY_THROW(store.changePassphrase({idOf("id_ed25519"), "", "new passphrase"}));
    EXPECT_EQ(readFile(ssh("id_ed25519")), original);

    // With room again, both work.
    for (int i = 0; i < pages; ++i)
        fs::remove(ssh(".filler" + std::to_string(i)));
    store.changePassphrase({idOf("id_ed25519"), "", "new passphrase"});
    EXPECT_EQ(store.generateKey({"work", "ed25519", {}, {}}).size(), 2u);
}

// Names OpenSSH uses for its own files, and control characters in a comment
// or a display name, are refused before anything is written.
TEST_F(GuardedChanges, KeyNamesAreRefusedBeforeAnyWriteOrReportedOnceTheKeyIsMade) {
    const auto reserved = ThrowsMessage<std::invalid_argument>(HasSubstr("OpenSSH uses"));
    for (const std::string name : {"config", "known_hosts", "known_hosts.old", "authorized_keys",
                                   "authorized_keys2", "environment", "rc", "id.pub"})
        EXPECT_THAT([&] { store.generateKey({name, "ed25519", {}, {}}); }, reserved) << name;
    for (const std::string comment : {"me@x.org\nssh-ed25519 AAAA attacker", "me@x.org\x1b[2J"})
        EXPECT_THROW(store.generateKey({"work", "ed25519", {}, comment}), std::invalid_argument);
    for (const std::string name : {"name\x1b]0;title\x07", "two\nlines"})
        EXPECT_THROW(store.saveKeyMeta(namedKey("k", name)), std::invalid_argument);
    EXPECT_FALSE(fs::exists(ssh("")));
    EXPECT_FALSE(fs::exists(metaPath()));

    // A display name that cannot be saved says the key was made.
    writeFile(home.file("blocker"), "a file where the metadata folder should be");
    SystemVaultStore::Options options = onHome();
    options.userMetaPath = home.file("blocker/meta.json");
    SystemVaultStore blocked(options);
    const auto generate = [&] {
        VaultRules::generateKey(blocked, {"work", "ed25519", {}, {}}, "Work");
    };
    EXPECT_THAT(generate, ThrowsMessage<std::exception>(HasSubstr("~/.ssh/work was made")));
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"work", "work.pub"}));
}

TEST_F(GuardedChanges, AKeyThatCannotBeRemovedStaysWholeWithItsName) {
    makeKeyPair(ssh("work"));
    const std::string id = idOf("work");
    store.saveKeyMeta(namedKey(id, "Work"));
    store.loadData(); // saves the key cache, as the deletion's own reading would
    const std::string meta = readFile(metaPath());

    // Each row: the path made immutable, and what that makes of it.
    for (const auto& [locked, what] : {std::pair{ssh("work"), "immutable private key"},
                                       std::pair{ssh("work.pub"), "immutable public key"},
                                       std::pair{ssh(""), "read-only folder"}}) {
        SCOPED_TRACE(what);
        if (!setImmutable(locked, true)) {
            if (locked != ssh("") || geteuid() == 0)
                GTEST_SKIP() << "cannot make files immutable here";
            ::chmod(ssh("").c_str(), 0500);
        }
        EXPECT_THROW(store.deleteKeyMeta(id, {}), FileError);
        setImmutable(locked, false);
        ::chmod(ssh("").c_str(), 0700);
        EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"work", "work.pub"}));
        EXPECT_EQ(readFile(metaPath()), meta);
    }
    store.deleteKeyMeta(id, {});
    EXPECT_TRUE(entries(ssh("")).empty());
}

} // namespace
} // namespace moorkeep::test
