#include "files/file_error.h"
#include "keys/key_pair_files.h"
#include "stores/system_vault_store.h"
#include "stores/user_meta_store.h"
#include "support/full_disk.h"
#include "support/key_files.h"
#include "support/records.h"
#include "support/scoped_env.h"
#include "support/store_home.h"
#include "support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <utime.h>

// Changes of the real files, on a temporary home and with the real ssh: what
// OpenSSH says of a change, what the backups keep of it, what a change of
// several files leaves when one step fails, and what files that cannot be
// read or written whole do to reading and changing.
namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::HasSubstr;
using testing::ThrowsMessage;

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

// The same, on files a test makes hostile.
using HostileFiles = GuardedChanges;

bool mentions(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
        return text.find(part) != std::string::npos;
    });
}

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

TEST(ConfigBackupsTest, TheNewestTwentyOfEachFileAreKeptPrivately) {
    TempDir dir;
    const ConfigBackups backups(dir.file("state/backups"));
    for (int i = 0; i < 25; ++i)
        backups.save("/home/me/.ssh/config", "version " + std::to_string(i));
    backups.save("/home/me/.ssh/100%/other", "other");
    EXPECT_EQ(modeOf(backups.folder()), 0700u);

    const auto all = backups.list();
    ASSERT_EQ(all.size(), 21u);
    EXPECT_EQ(all[0].file, "/home/me/.ssh/100%/other");
    EXPECT_EQ(backups.read(all[0]), "other");
    for (std::size_t i = 1; i < all.size(); ++i) {
        EXPECT_EQ(all[i].file, "/home/me/.ssh/config");
        EXPECT_EQ(backups.read(all[i]), "version " + std::to_string(25 - i));
        EXPECT_EQ(all[i].size, backups.read(all[i]).size());
        EXPECT_EQ(modeOf(backups.folder() + "/" + all[i].id), 0600u);
        EXPECT_LT(all[i].time, all[i - 1].time);
    }
    EXPECT_EQ(backups.find(all[3].id)->id, all[3].id);
    EXPECT_FALSE(backups.find("../config"));
}

// A linked folder is used where it leads, and what it leads to keeps its
// owner's mode; the same bytes are never kept twice.
TEST(ConfigBackupsTest, ALinkedFolderKeepsItsTargetsModeAndCopiesDiffer) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("shared"));
    ::chmod(dir.file("shared").c_str(), 0755);
    std::filesystem::create_symlink(dir.file("shared"), dir.file("backups"));
    const ConfigBackups backups(dir.file("backups"));
    EXPECT_TRUE(backups.save("/home/me/.ssh/config", "one"));
    EXPECT_FALSE(backups.save("/home/me/.ssh/config", "one"));
    EXPECT_EQ(modeOf(dir.file("shared")), 0755u);
    EXPECT_EQ(backups.list().size(), 1u);
}

// The metadata and the backups go under their XDG folder when it is an
// absolute path, and under the home's default folders otherwise.
TEST(DefaultFoldersTest, FollowOnlyAnAbsoluteXdgFolder) {
    for (const auto& value : {std::optional<std::string>(), std::optional<std::string>("relative"),
                              std::optional<std::string>("/srv")}) {
        SCOPED_TRACE(value.value_or("unset"));
        const ScopedEnv data("XDG_DATA_HOME", value), state("XDG_STATE_HOME", value);
        const bool absolute = value == "/srv";
        EXPECT_EQ(UserMetaStore::defaultPath("/home/ann"),
                  std::string(absolute ? "/srv" : "/home/ann/.local/share") +
                      "/Moorkeep/moorkeep-config.json");
        EXPECT_EQ(ConfigBackups::defaultFolder("/home/ann"),
                  std::string(absolute ? "/srv" : "/home/ann/.local/state") + "/Moorkeep/backups");
    }
}

TEST_F(GuardedChanges, AFailedBackupStopsTheWrite) {
    writeFile(home.file("backups"), "a file where the folder should be");
    writeConfig("Host web\n  User a\n");
    EXPECT_THAT([&] { store.saveConfigHost(host("web", "web", "b"), std::nullopt, {}); },
                ThrowsMessage<FileError>(HasSubstr("Could not back up")));
    EXPECT_EQ(config(), "Host web\n  User a\n");
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

TEST_F(GuardedChanges, AReadOnlyConfigurationIsNotReplaced) {
    writeFile(ssh("config"), "Host web\n  HostName w\n");
    fs::permissions(ssh("config"),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_THAT([&] { store.saveConfigHost(host("web", "w2"), "web", {}); },
                ThrowsMessage<FileError>(HasSubstr("read-only")));
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

TEST_F(HostileFiles, LoadingNamesEveryFileItCouldNotUseAndLoadsTheRest) {
    writeFile(ssh("latin1"), "Host caf\xe9\n  User r\xe9my\n");
    writeFile(ssh("config"), "Host web\nInclude latin1\nInclude deep/1\n");
    for (int i = 1; i <= 20; ++i)
        writeFile(ssh("deep/" + std::to_string(i)), "Include deep/" + std::to_string(i + 1) + "\n");
    writeFile(ssh("huge.pub"), "ssh-ed25519 AAAA" + std::string(70 * 1024, 'A') + " huge\n");
    writeFile(metaPath(), std::string(16 * 1024 * 1024 + 1, ' '));

    VaultData data = store.loadData();
    ASSERT_EQ(data.hosts.size(), 1u);
    EXPECT_EQ(data.hosts[0].alias, "web");
    EXPECT_TRUE(data.keys.empty());
    EXPECT_EQ(data.warnings.size(), 4u);
    EXPECT_TRUE(mentions(data.warnings, ssh("latin1") + " is not UTF-8"));
    EXPECT_TRUE(mentions(data.warnings, ssh("deep/17") + " is included more than 16 levels"));
    EXPECT_TRUE(mentions(data.warnings, ssh("huge.pub") + " is larger than 64 KiB"));
    EXPECT_TRUE(mentions(data.warnings, metaPath() + " is larger than 16 MiB"));
    // The over-large metadata file is never replaced, not even by the cache.
    EXPECT_EQ(fs::file_size(metaPath()), 16u * 1024 * 1024 + 1);
    EXPECT_THAT([&] { store.saveKeyMeta(namedKey("id", "name")); },
                ThrowsMessage<FileError>(HasSubstr("larger than 16 MiB")));
}

TEST_F(HostileFiles, ABlockInAFileThatCannotBeReadIsNotAddedAgainElsewhere) {
    const std::string main = "Include conf.d/*\nHost web\n  HostName w\n";
    writeFile(ssh("config"), main);
    writeFile(ssh("conf.d/legacy"), "Host *\n  User r\xe9my\nHost old\n  HostName o\n");

    EXPECT_THAT([&] { store.saveConfigDefaults(defaults("admin"), {}); },
                ThrowsMessage<FileError>(HasSubstr("~/.ssh/conf.d/legacy")));
    EXPECT_THAT(
        [&] { store.saveHost(host("old", "o2", "", 22, {}, {}, {}, HostSource::user), {}); },
        ThrowsMessage<FileError>(HasSubstr("~/.ssh/conf.d/legacy")));
    EXPECT_EQ(config(), main);

    // A host that is not in that file is added as usual.
    store.saveHost(host("new", "n", "", 22, {}, {}, {}, HostSource::user), {});
    EXPECT_NE(config().find("Host new"), std::string::npos);
}

TEST_F(HostileFiles, AnOverLargeConfigurationIsNeverReplaced) {
    const std::string big = "Host web\n" + std::string(16 * 1024 * 1024, '\n');
    writeFile(ssh("config"), big);
    EXPECT_THAT([&] { store.saveHost(host("db", "d", "", 22, {}, {}, {}, HostSource::user), {}); },
                ThrowsMessage<FileError>(HasSubstr("larger than 16 MiB")));
    EXPECT_EQ(fs::file_size(ssh("config")), big.size());
}

// Nor does it lose a key whose name cannot be dropped.
TEST_F(HostileFiles, AFullDiskChangesNoFile) {
    const std::string main = "Host web\n  HostName w\n";
    writeFile(ssh("config"), main);
    makeKeyPair(ssh("id_work"));
    const std::string id = store.loadData().keys.at(0).id;
    store.saveKeyMeta(namedKey(id, "old name"));
    const std::string meta = readFile(metaPath());
    {
        const FullDisk diskFull;
        EXPECT_THROW(store.saveHost(host("db", "d", "", 22, {}, {}, {}, HostSource::user), {}),
                     FileError);
        EXPECT_THROW(store.saveConfigDefaults(defaults("admin"), {}), FileError);
        EXPECT_THROW(store.saveKeyMeta(namedKey(id, "new name")), FileError);
        EXPECT_THROW(store.deleteKeyMeta(id), FileError);
    }
    EXPECT_EQ(config(), main);
    EXPECT_EQ(readFile(metaPath()), meta);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(ssh("")))
        left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"config", "id_work", "id_work.pub"}));
}

TEST_F(HostileFiles, MembersOfANewerVersionSurviveARewrite) {
    makeKeyPair(ssh("id_ed25519"));
    store.loadData(); // writes the key cache
    json file = json::parse(readFile(metaPath()));
    file["futureSettings"] = {{"theme", "dark"}};
    file["keyMeta"] = json::parse(R"([{"id": "k1", "name": "work", "colour": "red"},
                                      {"id": "k2", "name": "gone", "colour": "blue"}])");
    file["hosts"] = json::parse(R"([{"id": "H", "alias": "a", "hostname": "h", "user": "",
        "port": 22, "extraOptions": {}, "source": "user", "tags": ["prod"]}])");
    file["keyCache"][0]["certificate"] = "later";
    writeFile(metaPath(), file.dump(2));

    store.saveKeyMeta(namedKey("k1", "personal"));
    store.deleteKeyMeta("k2");
    json saved = json::parse(readFile(metaPath()));
    EXPECT_EQ(saved["futureSettings"]["theme"], "dark");
    ASSERT_EQ(saved["keyMeta"].size(), 1u);
    EXPECT_EQ(saved["keyMeta"][0]["name"], "personal");
    EXPECT_EQ(saved["keyMeta"][0]["colour"], "red");
    EXPECT_EQ(saved["hosts"][0]["tags"], json({"prod"}));
    EXPECT_EQ(saved["keyCache"][0]["certificate"], "later");
}

} // namespace
} // namespace moorkeep::test
