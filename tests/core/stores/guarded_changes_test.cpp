#include "files/file_error.h"
#include "keys/key_pair_files.h"
#include "stores/system_vault_store.h"
#include "stores/user_meta_store.h"
#include "support/full_disk.h"
#include "support/key_files.h"
#include "support/records.h"
#include "support/store_home.h"
#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

// Changes of the real files, on a temporary home and with the real ssh: what
// OpenSSH says of a change, what the backups keep of it, and what a change
// of several files leaves when one step fails.
namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;

class GuardedChanges : public StoreHome {
protected:
    SystemVaultStore storeWith(const std::string& sshPath,
                               const std::string& keyTool = "/usr/bin/ssh-keygen") const {
        return SystemVaultStore(onHome(keyTool, sshPath));
    }

    // A stand-in for ssh that acts out a refusal of every text without the
    // given line, as ssh -G does for a file it rejects.
    std::string sshRejectingWithout(const std::string& line) const {
        const std::string path = home.file("bin/ssh");
        writeFile(path, "#!/bin/sh\n"
                        "file=$3; grep -q '^Include' \"$file\" && file=$(sed 's/^Include \"//; "
                        "s/\"$//' \"$file\")\n"
                        "grep -qx '" +
                            line +
                            "' \"$file\" && exit 0\n"
                            "echo \"$file line 1: Bad configuration option: x\" >&2\n"
                            "exit 255\n");
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }

    SystemVaultStore store{onHome()};
};

// An error the file already has does not excuse a new one, and a host whose
// alias ssh would refuse on its command line is judged by the file alone.
TEST_F(GuardedChanges, OpenSSHJudgesTheChangeNotWhatTheFileAlreadyGotWrong) {
    writeFile(ssh("config"), "Host web\n  HostName w\n  Bogus yes\n\nHost a\"b\n  HostName h\n");
    const std::string before = config();
    for (const std::string alias : {"a\"b", "web"}) {
        SSHHost changed = host(alias, "h");
        changed.extraOptions = {{"Ciphers", "no-such-cipher"}};
        EXPECT_THROW(store.saveConfigHost(changed, alias, {}), OpenSSHCheck::Rejection) << alias;
        EXPECT_EQ(config(), before);
    }
    // The old error alone stays no obstacle.
    store.saveConfigHost(host("web", "w2"), "web", {});
    EXPECT_NE(config().find("HostName w2"), std::string::npos);
}

TEST_F(GuardedChanges, WithoutSshChangesGoAheadAndSaySo) {
    SystemVaultStore unchecked = storeWith(home.file("none/ssh"), home.file("none/ssh-keygen"));
    unchecked.saveHost(host("web", "w"), {});
    EXPECT_NE(config().find("Host web"), std::string::npos);
    const auto notices = unchecked.takeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("ssh was not found"), std::string::npos) << notices[0];
    EXPECT_TRUE(unchecked.takeNotices().empty());
    const auto warnings = unchecked.loadData().warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), notices[0]), 1);
}

TEST_F(GuardedChanges, MatchExecRunsNothingDuringTheCheck) {
    const std::string marker = home.file("ran");
    writeFile(ssh("config"), "Match exec \"touch " + marker + "; sleep 30\"\n  User x\n");
    const auto started = std::chrono::steady_clock::now();
    store.saveHost(host("web", "w"), {});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_FALSE(fs::exists(marker));
    SSHHost broken = host("web", "w");
    broken.extraOptions = {{"Ciphers", "no-such-cipher"}};
    EXPECT_THROW(store.saveConfigHost(broken, "web", {}), OpenSSHCheck::Rejection);
}

TEST_F(GuardedChanges, AnEndlessIncludeIsNotCheckedButNamed) {
    writeFile(ssh("config"), "Host old\n  HostName o\nInclude /proc/self/pagemap\n");
    store.saveConfigHost(host("old", "o2"), "old", {});
    EXPECT_NE(config().find("HostName o2"), std::string::npos);
    const auto notices = store.takeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("/proc/self/pagemap"), std::string::npos) << notices[0];
}

// Only writes that happened leave a backup, and the kept copies all differ.
TEST_F(GuardedChanges, FailedChangesLeaveTheHistoryAsItWas) {
    writeFile(ssh("config"), "Host web\n  HostName w0\n");
    for (int i = 1; i <= 3; ++i)
        store.saveConfigHost(host("web", "w" + std::to_string(i)), "web", {});
    const auto history = store.backups().list();
    ASSERT_EQ(history.size(), 3u);
    {
        const FullDisk diskFull;
        for (int i = 0; i < 25; ++i)
            EXPECT_THROW(store.saveConfigHost(host("web", "x"), "web", {}), FileError);
    }
    EXPECT_EQ(store.backups().list().size(), history.size());
    // Back and forth: the text with w3 is new history, the one with w2 is
    // not kept twice.
    store.saveConfigHost(host("web", "w2"), "web", {});
    store.saveConfigHost(host("web", "w3"), "web", {});
    EXPECT_EQ(store.backups().list().size(), history.size() + 1);
}

TEST_F(GuardedChanges, ARemovedHostKeepsItsRecordWhenItsBlockCannotGo) {
    SystemVaultStore refusing = storeWith(sshRejectingWithout("Host web"));
    writeFile(ssh("config"), "Host web\n  HostName w\n");
    UserMeta meta;
    meta.hosts = {host("web", "stored", "", 22, {}, {}, {}, HostSource::user, "H1")};
    UserMetaStore(metaPath()).save(meta);
    const std::string storedMeta = readFile(metaPath());
    EXPECT_THROW(refusing.deleteHost("H1", {}), OpenSSHCheck::Rejection);
    EXPECT_EQ(readFile(metaPath()), storedMeta);
    EXPECT_EQ(config(), "Host web\n  HostName w\n");
}

TEST_F(GuardedChanges, ARemovedKeyStaysWhenItsNameCannotBeDropped) {
    makeKeyPair(ssh("id_work"));
    const std::string id = store.loadData().keys.at(0).id;
    store.saveKeyMeta([&] {
        SSHKey key;
        key.id = id;
        key.name = "Work";
        return key;
    }());
    {
        const FullDisk diskFull;
        EXPECT_THROW(store.deleteKeyMeta(id), FileError);
    }
    EXPECT_TRUE(fs::exists(ssh("id_work")));
    EXPECT_TRUE(fs::exists(ssh("id_work.pub")));
}

TEST_F(GuardedChanges, AReadOnlyConfigurationIsNotReplaced) {
    writeFile(ssh("config"), "Host web\n  HostName w\n");
    fs::permissions(ssh("config"),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    try {
        store.saveConfigHost(host("web", "w2"), "web", {});
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("read-only"), std::string::npos) << error.what();
    }
    EXPECT_EQ(config(), "Host web\n  HostName w\n");
}

// Copies of a private key and staging folders an interrupted change left
// go at the next change, once they are older than a change can take.
TEST_F(GuardedChanges, StaleLeftoversOfKeyChangesAreSwept) {
    makeKeyPair(ssh("id_work"));
    writeFile(ssh(".id_work.Ab12Cd"), "copy of a private key");
    writeFile(ssh(".moorkeep-new-key.Xy34Zw/half"), "half a key");
    writeFile(ssh(".profile.Ab12Cd"), "not ours: no file .profile");
    writeFile(ssh(".id_work.Fresh1"), "a change running now");
    const utimbuf old{1000000000, 1000000000};
    for (const char* name : {".id_work.Ab12Cd", ".moorkeep-new-key.Xy34Zw", ".profile.Ab12Cd"})
        ::utime(ssh(name).c_str(), &old);
    KeyPairFiles::sweepStale(ssh(""));
    EXPECT_FALSE(fs::exists(ssh(".id_work.Ab12Cd")));
    EXPECT_FALSE(fs::exists(ssh(".moorkeep-new-key.Xy34Zw")));
    EXPECT_TRUE(fs::exists(ssh(".profile.Ab12Cd")));
    EXPECT_TRUE(fs::exists(ssh(".id_work.Fresh1")));
}

TEST_F(GuardedChanges, KeyFilesThatAreNotPlainFilesAreNotProbed) {
    makeKeyPair(ssh("id_work"));
    for (const std::string name : {"endless", "device"})
        fs::copy_file(ssh("id_work.pub"), ssh(name + ".pub"));
    fs::create_symlink("/proc/self/pagemap", ssh("endless"));
    fs::create_symlink("/dev/zero", ssh("device"));
    const std::string log = home.file("tool.log");
    SystemVaultStore recorded = storeWith("/usr/bin/ssh", recordingKeyTool(home.file("bin"), log));
    recorded.loadData();
    for (const auto& line : fileLines(log))
        EXPECT_FALSE(line.starts_with("-y") && (line.find("endless") != std::string::npos ||
                                                line.find("device") != std::string::npos))
            << line;
}

} // namespace
} // namespace moorkeep::test
