#include "keys/key_scanner.h"
#include "model/vault_error.h"
#include "stores/user_meta_store.h"
#include "system_vault_store_fixture.h"

#include <cstdlib>
#include <filesystem>

namespace moorkeep::test {
namespace {

class SystemStoreKeysTest : public SystemVaultStoreTest {
protected:
    const SSHKey& keyNamed(const std::vector<SSHKey>& keys, const std::string& name) {
        for (const auto& key : keys)
            if (key.name == name)
                return key;
        throw std::runtime_error("no key " + name);
    }

    template <typename Operation> VaultError vaultErrorOf(Operation operation) {
        try {
            operation();
        } catch (const VaultError& error) {
            return error;
        }
        ADD_FAILURE() << "no VaultError";
        return VaultError::keyNotFound("");
    }
};

struct GenerateCase {
    const char* type;
    const char* passphrase;
    const char* comment;
};

class GenerateKeyTest : public SystemStoreKeysTest,
                        public ::testing::WithParamInterface<GenerateCase> {};

TEST_P(GenerateKeyTest, MakesTheKeyPairAndListsIt) {
    const auto& param = GetParam();
    GenerateKeyOptions options{"made", param.type, param.passphrase, param.comment};
    auto keys = store->generateKey(options);
    const SSHKey& key = keyNamed(keys, "made");
    EXPECT_EQ(key.path, "~/.ssh/made");
    EXPECT_EQ(key.type, param.type);
    EXPECT_EQ(key.hasPassphrase, std::string(param.passphrase).size() > 0);
    EXPECT_EQ(key.fingerprint.rfind("SHA256:", 0), 0u);
    const std::string comment = param.comment;
    if (!comment.empty()) {
        EXPECT_EQ(key.publicKey.substr(key.publicKey.size() - comment.size()), comment);
    }
    EXPECT_TRUE(std::filesystem::exists(ssh("made.pub")));
    EXPECT_EQ(std::filesystem::status(ssh("")).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
}

INSTANTIATE_TEST_SUITE_P(
    Types, GenerateKeyTest,
    ::testing::Values(GenerateCase{"ed25519", "", ""},
                      GenerateCase{"ed25519", "secret words", "me@example.com"},
                      GenerateCase{"ecdsa", "", "ci"}, GenerateCase{"rsa", "pässwörd", ""}),
    [](const auto& info) {
        return std::string(info.param.type) + (*info.param.passphrase ? "Protected" : "Open") +
               (*info.param.comment ? "Commented" : "");
    });

TEST_F(SystemStoreKeysTest, GenerateRefusesTakenAndEmptyNames) {
    writeFile(ssh("work.pub"), "ssh-ed25519 AAAA test\n");
    auto taken = vaultErrorOf([&] { store->generateKey({"work", "ed25519", {}, {}}); });
    EXPECT_EQ(taken.kind(), VaultError::Kind::keyAlreadyExists);
    EXPECT_STREQ(taken.what(), "A key named \"work\" already exists in ~/.ssh");
    auto empty = vaultErrorOf([&] { store->generateKey({"", "ed25519", {}, {}}); });
    EXPECT_EQ(empty.detail(), "");
}

TEST_F(SystemStoreKeysTest, GenerateSanitizesTheFileName) {
    auto keys = store->generateKey({"my key.old", "ed25519", {}, {}});
    EXPECT_EQ(keyNamed(keys, "my_key_old").path, "~/.ssh/my_key_old");
    EXPECT_TRUE(std::filesystem::exists(ssh("my_key_old")));
}

TEST_F(SystemStoreKeysTest, GenerateReportsTheToolsFailure) {
    auto error = vaultErrorOf([&] { store->generateKey({"bad", "no-such-type", {}, {}}); });
    EXPECT_EQ(error.kind(), VaultError::Kind::sshKeygenFailed);
    EXPECT_FALSE(error.detail().empty());

    SystemVaultStore::Options options;
    options.homedir = home.path();
    options.userMetaPath = metaPath();
    options.keyToolPath = home.file("missing-tool");
    SystemVaultStore noTool(options);
    auto missing = vaultErrorOf([&] { noTool.generateKey({"x", "ed25519", {}, {}}); });
    EXPECT_EQ(missing.kind(), VaultError::Kind::sshKeygenFailed);
    EXPECT_FALSE(missing.detail().empty());
}

TEST_F(SystemStoreKeysTest, PassphraseIsSetChangedAndRemoved) {
    makeKeyPair(ssh("work"));
    const std::string id = store->loadData().keys.at(0).id;

    auto keys = store->changePassphrase({id, "", "first secret"});
    EXPECT_EQ(keys.at(0).hasPassphrase, true);
    keys = store->changePassphrase({id, "first secret", "second secret"});
    EXPECT_EQ(keys.at(0).hasPassphrase, true);
    keys = store->changePassphrase({id, "second secret", ""});
    EXPECT_EQ(keys.at(0).hasPassphrase, false);
    EXPECT_EQ(KeyScanner::scan(ssh("")).at(0).hasPassphrase, false);
}

TEST_F(SystemStoreKeysTest, WrongOldPassphraseFailsInTheToolsWords) {
    makeKeyPair(ssh("work"), "ed25519", "right");
    const std::string before = readFile(ssh("work"));
    const std::string id = store->loadData().keys.at(0).id;
    auto error = vaultErrorOf([&] { store->changePassphrase({id, "wrong", "new"}); });
    EXPECT_EQ(error.kind(), VaultError::Kind::sshKeygenFailed);
    EXPECT_NE(error.detail().find("passphrase"), std::string::npos) << error.detail();
    EXPECT_EQ(error.detail().find("wrong"), std::string::npos);
    EXPECT_EQ(readFile(ssh("work")), before);
}

TEST_F(SystemStoreKeysTest, PassphraseChangeFindsTheKeyOrSaysWhatIsMissing) {
    writeFile(ssh("lonely.pub"), "ssh-ed25519 AAAA test\n");
    const std::string lonelyId = store->loadData().keys.at(0).id;
    auto noFile = vaultErrorOf([&] { store->changePassphrase({lonelyId, "", "x"}); });
    EXPECT_EQ(noFile.kind(), VaultError::Kind::keyFileNotFound);
    EXPECT_EQ(noFile.detail(), "~/.ssh/lonely");
    auto noKey = vaultErrorOf([&] { store->changePassphrase({"0000", "", "x"}); });
    EXPECT_STREQ(noKey.what(), "Key 0000 not found in ~/.ssh");
}

TEST_F(SystemStoreKeysTest, PassphrasesNeverReachAnArgumentListOrLeaveFilesBehind) {
    TempDir scratch;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = runtime ? runtime : "";
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", scratch.path().c_str(), 1);

    auto keys = store->generateKey({"guarded", "ed25519", "TopSecret-1", {}});
    const std::string id = keyNamed(keys, "guarded").id;
    store->changePassphrase({id, "TopSecret-1", "TopSecret-2"});

    unsetenv("TMPDIR");
    if (!savedRuntime.empty())
        setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);

    const std::string arguments = readFile(toolLog);
    EXPECT_EQ(arguments.find("TopSecret"), std::string::npos) << arguments;
    EXPECT_NE(arguments.find("-p -f"), std::string::npos) << arguments;
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path())) << "the askpass folder is removed";
    EXPECT_EQ(readFile(metaPath()).find("TopSecret"), std::string::npos);
}

TEST_F(SystemStoreKeysTest, DeleteRemovesBothFilesAndTheNameTwiceOver) {
    makeKeyPair(ssh("old"));
    makeKeyPair(ssh("keep"));
    SSHKey old = keyNamed(store->loadData().keys, "old");
    old.name = "Old key";
    store->saveKeyMeta(old);

    store->deleteKeyMeta(old.id);
    EXPECT_FALSE(std::filesystem::exists(ssh("old")));
    EXPECT_FALSE(std::filesystem::exists(ssh("old.pub")));
    EXPECT_TRUE(std::filesystem::exists(ssh("keep")));
    EXPECT_TRUE(UserMetaStore(metaPath()).load().keyMeta.empty());
    EXPECT_NO_THROW(store->deleteKeyMeta(old.id));
    EXPECT_EQ(store->rescanKeys().size(), 1u);
}

} // namespace
} // namespace moorkeep::test
