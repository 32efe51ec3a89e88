#include "files/file_error.h"
#include "keys/key_scanner.h"
#include "model/vault_error.h"
#include "stores/system_vault_store.h"
#include "stores/user_meta_store.h"
#include "stores/vault_rules.h"
#include "support/full_disk.h"
#include "support/key_files.h"
#include "support/records.h"
#include "support/store_home.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::ThrowsMessage;

// A stand-in for ssh-keygen: a shell script with the given body.
std::string standIn(const TempDir& dir, const std::string& body) {
    const std::string path = dir.file("stand-in-ssh-keygen");
    writeFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0700);
    return path;
}

// Names in a directory, sorted.
std::vector<std::string> entries(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// chattr +i or -i; false when the file system or the container refuses.
bool setImmutable(const std::string& path, bool on) {
    const std::string command =
        std::string("chattr ") + (on ? "+i" : "-i") + " '" + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

class KeyFaults : public StoreHome {
protected:
    SystemVaultStore storeWith(const std::string& tool) const {
        return SystemVaultStore(onHome(tool));
    }
    std::string idOf(const std::string& name) const { return KeyScanner::keyId(ssh(name)); }

    TempDir tools;
    SystemVaultStore store{onHome()};
};

TEST_F(KeyFaults, APassphraseChangeThatFailsLeavesTheKeyByteForByte) {
    makeKeyPair(ssh("id_ed25519"));
    const std::string original = readFile(ssh("id_ed25519"));
    // What ssh-keygen does when the disk is full: the file it rewrites is
    // gone. Then a tool that dies half-way, and a full disk for our copy.
    for (const auto& body : {std::string("for last; do :; done\nrm -f \"$last\"\n"
                                         "echo 'No space left on device' >&2\nexit 1\n"),
                             std::string("for last; do :; done\n: > \"$last\"\nkill -SEGV $$\n")}) {
        SystemVaultStore failing = storeWith(standIn(tools, body));
        EXPECT_THROW(failing.changePassphrase({idOf("id_ed25519"), "", "new passphrase"}),
                     VaultError);
        EXPECT_EQ(readFile(ssh("id_ed25519")), original);
        EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"id_ed25519", "id_ed25519.pub"}));
    }
    {
        const FullDisk diskFull;
        EXPECT_THROW(store.changePassphrase({idOf("id_ed25519"), "", "new passphrase"}), FileError);
    }
    EXPECT_EQ(readFile(ssh("id_ed25519")), original);
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"id_ed25519", "id_ed25519.pub"}));

    // And the change itself still works, through the copy.
    store.changePassphrase({idOf("id_ed25519"), "", "new passphrase"});
    EXPECT_NE(readFile(ssh("id_ed25519")), original);
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"id_ed25519", "id_ed25519.pub"}));
    EXPECT_EQ(modeOf(ssh("id_ed25519")), 0600u);
}

TEST_F(KeyFaults, AGenerationThatFailsLeavesNothingBehind) {
    // The tool writes the private key and an empty public one, as on a full
    // disk, and may even say it succeeded.
    for (const auto& status : {"1", "0"}) {
        SystemVaultStore failing = storeWith(standIn(
            tools, "while [ \"$1\" != -f ]; do shift; done\necho key > \"$2\"\n: > \"$2.pub\"\n"
                   "exit " +
                       std::string(status) + "\n"));
        EXPECT_THROW(failing.generateKey({"work", "ed25519", std::nullopt, std::nullopt}),
                     VaultError);
        EXPECT_TRUE(entries(ssh("")).empty()) << entries(ssh("")).size();
    }
    // The name is free, not "already exists".
    auto keys = store.generateKey({"work", "ed25519", std::nullopt, std::nullopt});
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].path, "~/.ssh/work");
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"work", "work.pub"}));
}

TEST_F(KeyFaults, TheRealToolOnAFullDiskLosesNothing) {
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
    EXPECT_ANY_THROW(store.generateKey({"work", "ed25519", std::nullopt, std::nullopt}));
    for (const auto& name : entries(ssh("")))
        EXPECT_TRUE(name.starts_with("id_ed25519") || name.starts_with(".filler")) << name;

    fill();
    EXPECT_ANY_THROW(store.changePassphrase({idOf("id_ed25519"), "", "new passphrase"}));
    EXPECT_EQ(readFile(ssh("id_ed25519")), original);

    // With room again, both work.
    for (int i = 0; i < pages; ++i)
        fs::remove(ssh(".filler" + std::to_string(i)));
    store.changePassphrase({idOf("id_ed25519"), "", "new passphrase"});
    EXPECT_EQ(store.generateKey({"work", "ed25519", std::nullopt, std::nullopt}).size(), 2u);
}

// Names OpenSSH uses for its own files, and control characters in a comment
// or a display name, are refused before anything is written.
TEST_F(KeyFaults, ReservedNamesAndControlCharactersAreRefusedBeforeAnyWrite) {
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
}

TEST_F(KeyFaults, AKeyThatCannotBeRemovedStaysWholeWithItsName) {
    makeKeyPair(ssh("work"));
    const std::string id = idOf("work");
    store.saveKeyMeta(namedKey(id, "Work"));
    const std::string meta = readFile(metaPath());

    struct Case {
        std::string locked; // the path made immutable
        const char* what;
    };
    for (const Case& c :
         {Case{ssh("work"), "immutable private key"}, Case{ssh("work.pub"), "immutable public key"},
          Case{ssh(""), "read-only folder"}}) {
        SCOPED_TRACE(c.what);
        if (!setImmutable(c.locked, true)) {
            if (c.locked != ssh("") || geteuid() == 0)
                GTEST_SKIP() << "cannot make files immutable here";
            ::chmod(ssh("").c_str(), 0500);
        }
        EXPECT_THROW(store.deleteKeyMeta(id), FileError);
        setImmutable(c.locked, false);
        ::chmod(ssh("").c_str(), 0700);
        EXPECT_TRUE(fs::exists(ssh("work")));
        EXPECT_TRUE(fs::exists(ssh("work.pub")));
        EXPECT_EQ(readFile(metaPath()), meta);
    }
    store.deleteKeyMeta(id);
    EXPECT_TRUE(entries(ssh("")).empty());
}

TEST_F(KeyFaults, ANameThatCannotBeSavedSaysTheKeyWasMade) {
    writeFile(home.file("blocker"), "a file where the metadata folder should be");
    SystemVaultStore::Options options = onHome();
    options.userMetaPath = home.file("blocker/meta.json");
    SystemVaultStore blocked(options);
    const auto generate = [&] {
        VaultRules::generateKey(blocked, {"work", "ed25519", {}, {}}, "Work");
    };
    EXPECT_THAT(generate, ThrowsMessage<std::exception>(HasSubstr("~/.ssh/work was made")));
    EXPECT_TRUE(fs::exists(ssh("work")));
    EXPECT_TRUE(fs::exists(ssh("work.pub")));
}

} // namespace
} // namespace moorkeep::test
