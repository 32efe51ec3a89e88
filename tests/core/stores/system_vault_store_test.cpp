#include "keys/key_changes.h"
#include "keys/key_scanner.h"
#include "model/vault_error.h"
#include "stores/demo_vault_store.h"
#include "stores/store_lock.h"
#include "stores/system_vault_store.h"
#include "stores/user_meta_store.h"
#include "support/key_files.h"
#include "support/open_files.h"
#include "support/records.h"
#include "support/scoped_env.h"
#include "support/store_home.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::IsEmpty;
using testing::Not;
using testing::Optional;
using testing::Pair;
using testing::ThrowsMessage;

// A system store on a fresh temporary home whose key tool records its runs.
class SystemVaultStoreTest : public StoreHome {
protected:
    std::unique_ptr<SystemVaultStore> makeStore(std::string toolPath = "") const {
        if (toolPath.empty())
            toolPath = recordingKeyTool(tools.path(), toolLog);
        return std::make_unique<SystemVaultStore>(onHome(toolPath));
    }

    UserMetaStore meta() const { return UserMetaStore(metaPath()); }
    std::size_t toolRuns() const { return fileLines(toolLog).size(); }

    TempDir tools;
    std::string toolLog = tools.file("runs.log");
    std::unique_ptr<SystemVaultStore> store = makeStore();
};

std::vector<std::string> aliases(const std::vector<SSHHost>& hosts) {
    std::vector<std::string> out;
    for (const auto& h : hosts)
        out.push_back(h.alias + (h.source == HostSource::user ? "(user)" : ""));
    return out;
}

SSHHost stored(const std::string& id, const std::string& alias, const std::string& hostname,
               const std::string& user = "") {
    return host(alias, hostname, user, 22, {}, {}, {}, HostSource::user, id);
}

void storeHosts(const UserMetaStore& metaStore, std::vector<SSHHost> hosts) {
    UserMeta meta;
    meta.hosts = std::move(hosts);
    metaStore.save(meta);
}

const SSHKey& keyNamed(const std::vector<SSHKey>& keys, const std::string& name) {
    for (const auto& key : keys)
        if (key.name == name)
            return key;
    throw std::runtime_error("no key " + name);
}

// What the VaultError the operation throws says: its kind and its detail;
// nothing when it throws none.
using Failure = std::pair<VaultError::Kind, std::string>;
template <typename Operation> std::optional<Failure> failureOf(Operation operation) {
    try {
        operation();
    } catch (const VaultError& error) {
        return Failure(error.kind(), error.detail());
    }
    return std::nullopt;
}

// Loading.

// No key, no cache to remember: reading writes nothing, and leaves a file
// written by hand as it was.
TEST_F(SystemVaultStoreTest, EmptyHomeLoadsNothingAndWritesNothing) {
    VaultData data = store->loadData();
    VaultData expected;
    expected.sources = {.config = {.files = {ssh("config")}, .folders = {}},
                        .keyFolder = home.file(".ssh"),
                        .metaFile = metaPath()};
    EXPECT_EQ(data, expected);
    EXPECT_FALSE(fs::exists(metaPath()));
    const std::string handWritten = R"({"version": 1, "keyMeta": [], "hosts": [], "later": 1})";
    writeFile(metaPath(), handWritten);
    store->loadData();
    store->rescanKeys();
    EXPECT_EQ(readFile(metaPath()), handWritten);
}

TEST_F(SystemVaultStoreTest, SecondLoadRunsNoToolAndLeavesTheFileAlone) {
    makeKeyPair(ssh("id_ed25519"));
    makeKeyPair(ssh("work"), "ed25519", "secret");
    writeConfig("Host *\n  User admin\nHost web\n  IdentityFile ~/.ssh/id_ed25519\nHost db\n");
    VaultData first = store->loadData();
    ASSERT_EQ(first.keys.size(), 2u);
    const SSHKey& idKey = first.keys[0].name == "id_ed25519" ? first.keys[0] : first.keys[1];
    EXPECT_EQ(first.hosts.at(0).keyId, idKey.id) << "IdentityFile names the scanned key";
    EXPECT_EQ(first.hosts.at(1).keyId, std::nullopt);
    EXPECT_EQ(first.hosts.at(1).user, "admin");
    const std::size_t runs = toolRuns();
    const struct stat before = statOf(metaPath());

    EXPECT_EQ(makeStore()->loadData(), first);
    EXPECT_EQ(store->rescanKeys(), first.keys);
    EXPECT_EQ(toolRuns(), runs);
    const struct stat after = statOf(metaPath());
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

// A stored host hides the configuration's host of its alias (whatever
// source it was saved with) and comes after the configuration's hosts.
TEST_F(SystemVaultStoreTest, LoadingSomeAliasesGivesTheirHostsAsAFullLoadDoes) {
    makeKeyPair(ssh("id_ed25519"));
    writeConfig("Host web\n  IdentityFile ~/.ssh/id_ed25519\nHost db\nHost lab\n  Port 2\n"
                "Host db\n  User again\nHost *\n  User admin\n");
    SSHHost lab = stored("U1", "lab", "stored.example");
    lab.source = HostSource::config;
    storeHosts(meta(), {lab, stored("U2", "only", "10.0.0.9"), stored("U3", "only", "10.0.0.10")});
    const VaultData full = store->loadData();
    ASSERT_EQ(aliases(full.hosts), (std::vector<std::string>{"web", "db", "db", "lab(user)",
                                                             "only(user)", "only(user)"}));
    for (const std::set<std::string, std::less<>>& only :
         std::vector<std::set<std::string, std::less<>>>{
             {"db"}, {"lab"}, {"only", "web"}, {"missing"}, {}}) {
        VaultData expected = full;
        std::erase_if(expected.hosts, [&](const SSHHost& h) { return !only.contains(h.alias); });
        EXPECT_EQ(store->loadDataForAliases(only), expected) << only.size();
    }
}

TEST_F(SystemVaultStoreTest, DisplayNamesAreAppliedAndWithdrawn) {
    makeKeyPair(ssh("id_ed25519"));
    SSHKey key = store->loadData().keys.at(0);
    key.name = "Laptop";
    store->saveKeyMeta(key);
    key.name = "Laptop key";
    store->saveKeyMeta(key);
    EXPECT_EQ(store->loadData().keys.at(0).name, "Laptop key");
    UserMeta saved = meta().load();
    EXPECT_EQ(saved.keyMeta.size(), 1u);
    saved.keyMeta.clear();
    meta().save(saved);
    EXPECT_EQ(store->rescanKeys().at(0).name, "id_ed25519");
}

// A file that does not decode may be another program's work in progress:
// reading leaves it alone, and the first change keeps it aside.
TEST_F(SystemVaultStoreTest, CorruptMetadataIsLeftToReadsAndKeptAsideByAChange) {
    const std::string corrupt = "{ \"version\": 1, \"hosts\": [ broken";
    writeFile(metaPath(), corrupt);
    makeKeyPair(ssh("id_ed25519"));
    VaultData data = store->loadData();
    EXPECT_TRUE(data.hosts.empty());
    ASSERT_EQ(data.warnings.size(), 1u);
    EXPECT_NE(data.warnings[0].find(metaPath()), std::string::npos);
    auto keptCopies = [&] {
        std::vector<std::string> kept;
        for (const auto& entry : fs::directory_iterator(home.file("data")))
            if (entry.path().filename().string().starts_with("moorkeep-config.json.unreadable-"))
                kept.push_back(readFile(entry.path().string()));
        return kept;
    };
    EXPECT_EQ(readFile(metaPath()), corrupt);
    EXPECT_TRUE(keptCopies().empty());
    SSHKey key = data.keys.at(0);
    key.name = "Work";
    store->saveKeyMeta(key);
    EXPECT_EQ(keptCopies(), std::vector<std::string>{corrupt});
}

// Both stores keep the preferred terminal as given, give it back, and forget
// it for blank text; a command line with an open quote is refused and the
// kept one stays.
TEST_F(SystemVaultStoreTest, PreferredTerminalRoundTripsThroughEitherStore) {
    DemoVaultStore demo;
    for (VaultStore* each : std::initializer_list<VaultStore*>{store.get(), &demo}) {
        EXPECT_EQ(each->preferredTerminal(), std::nullopt);
        each->setPreferredTerminal("kitty --title 'my host'");
        EXPECT_EQ(each->preferredTerminal(), "kitty --title 'my host'");
        EXPECT_THROW(each->setPreferredTerminal("foot 'x"), std::invalid_argument);
        EXPECT_EQ(each->preferredTerminal(), "kitty --title 'my host'");
        each->setPreferredTerminal(" \t");
        EXPECT_EQ(each->preferredTerminal(), std::nullopt);
        each->setPreferredTerminal("xterm -fa Mono");
    }
    // In the metadata file, beside what was there, and read by a new store.
    const auto written = nlohmann::json::parse(readFile(metaPath()));
    EXPECT_EQ(written["preferredTerminal"], "xterm -fa Mono");
    EXPECT_TRUE(written.contains("hosts"));
    const auto again = makeStore();
    EXPECT_EQ(again->preferredTerminal(), "xterm -fa Mono");
    again->setPreferredTerminal(std::nullopt);
    EXPECT_FALSE(nlohmann::json::parse(readFile(metaPath())).contains("preferredTerminal"));
}

// Host operations.

TEST_F(SystemVaultStoreTest, NewHostIsAppendedWithAFreshId) {
    writeConfig("# mine\nHost old\n  User x");
    SSHHost saved = store->saveHost(stored("", "web", "10.0.0.5"), {});
    EXPECT_TRUE(std::regex_match(saved.id, std::regex("[0-9A-F-]{36}"))) << saved.id;
    EXPECT_EQ(saved.source, HostSource::config);
    EXPECT_EQ(config(), "# mine\nHost old\n  User x\n\nHost web\n  HostName 10.0.0.5\n");
    EXPECT_TRUE(meta().load().hosts.empty());
}

TEST_F(SystemVaultStoreTest, SavingAStoredHostMovesItIntoItsBlock) {
    writeConfig("Host web\n  HostName old.example\nHost db\n");
    const SSHHost web = stored("U1", "web", "new.example", "me");
    storeHosts(meta(), {web, stored("U2", "web", "other"), stored("U3", "lab", "lab")});
    EXPECT_EQ(store->saveHost(web, {}).id, "U1");
    EXPECT_EQ(config(), "Host web\n  HostName new.example\n  User me\nHost db\n");
    EXPECT_EQ(aliases(meta().load().hosts), std::vector<std::string>{"lab(user)"})
        << "the same alias under another id goes too";
    EXPECT_EQ(aliases(store->loadData().hosts),
              (std::vector<std::string>{"web", "db", "lab(user)"}));
}

TEST_F(SystemVaultStoreTest, BlocksAreEditedInTheFileWhereTheyLive) {
    writeConfig("Include config.d/*\n\nHost db\n  User admin\n");
    writeFile(ssh("config.d/web"), "Host web\n\tHostName old\n\nhost *\n  Port 2\n");
    const std::string mainBefore = config();
    const SSHHost renamed = host("www", "new.example", "", 2);
    EXPECT_EQ(store->saveConfigHost(renamed, "web", {}), renamed);
    EXPECT_EQ(readFile(ssh("config.d/web")),
              "Host www\n\tHostName new.example\n\nhost *\n  Port 2\n");
    store->saveConfigDefaults(defaults("ops"), {});
    EXPECT_EQ(readFile(ssh("config.d/web")),
              "Host www\n\tHostName new.example\n\nhost *\n  User ops\n");
    store->deleteConfigHost(host("www"));
    EXPECT_EQ(readFile(ssh("config.d/web")), "\nhost *\n  User ops\n");
    EXPECT_EQ(config(), mainBefore);
}

// Changes made while the locks are held (as the command line holds them
// around reading a host and changing it) each start from what the files
// hold at that moment: a change in the same hold, or an editor's write in
// between, is not lost.
TEST_F(SystemVaultStoreTest, ChangesInOneHoldOfTheLocksStartFromTheFilesAsTheyAre) {
    writeConfig("Host web\n  HostName h\n");
    SystemVaultStore::ChangeLocks locks(*store);
    const SSHHost original = store->loadDataForAliases({"web"}).hosts.at(0);
    SSHHost moved = original;
    moved.port = 2200;
    store->saveConfigHost(moved, "web", {});
    EXPECT_EQ(config(), "Host web\n  HostName h\n  Port 2200\n");
    store->saveConfigHost(original, "web", {});
    EXPECT_EQ(config(), "Host web\n  HostName h\n");

    store->loadDataForAliases({"web"});
    writeConfig("Host web\n  HostName h\n  User editor\n");
    SSHHost edited = original;
    edited.user = "editor";
    edited.hostname = "h2";
    store->saveConfigHost(edited, "web", {});
    EXPECT_EQ(config(), "Host web\n  HostName h2\n  User editor\n");
}

TEST_F(SystemVaultStoreTest, UnfindableBlocksFailAndChangeNothing) {
    // A pattern block is no host: it is neither edited nor deleted as one.
    const std::string text = "Host web*\n  HostName h\nHost db\n";
    writeConfig(text);
    EXPECT_THROW(store->saveConfigHost(host("web*", "x"), std::nullopt, {}), std::exception);
    EXPECT_THROW(store->saveConfigHost(host("web", "x"), std::nullopt, {}), std::exception);
    EXPECT_THROW(store->deleteConfigHost(host("web*")), std::exception);
    EXPECT_EQ(config(), text);
}

// Deleting a stored host takes its block too; deleting a block leaves the
// stored host of that alias.
TEST_F(SystemVaultStoreTest, DeletingAHostOrABlock) {
    writeConfig("Host web\n  User a\n\nHost db\n");
    storeHosts(meta(), {stored("U1", "web", "h"), stored("U2", "db", "h")});
    store->deleteHost("U1", {});
    EXPECT_EQ(config(), "\nHost db\n");
    store->deleteConfigHost(host("db", "db"));
    EXPECT_EQ(config(), "");
    EXPECT_EQ(aliases(store->loadData().hosts), std::vector<std::string>{"db(user)"});
}

TEST_F(SystemVaultStoreTest, DefaultsWithoutAStarBlockGetOneAtTheEnd) {
    writeConfig("Host *.example.com\n  User x\nHost web\n");
    Defaults readBack = store->saveConfigDefaults(defaults("", 2022, "", "jump"), {});
    EXPECT_EQ(config(), "Host *.example.com\n  User x\nHost web\n\nHost *\n  Port 2022\n"
                        "  ProxyJump jump\n");
    EXPECT_EQ(readBack.port, 2022);
    EXPECT_EQ(readBack.sourceFile, ssh("config"));
}

TEST_F(SystemVaultStoreTest, BrokenValuesAndNonUtf8ConfigLeaveTheFileAlone) {
    writeConfig("Host web\n");
    EXPECT_THROW(store->saveHost(stored("", "evil", "h\nHost *\n  ProxyCommand sh"), {}),
                 std::exception);
    EXPECT_THROW(store->saveConfigDefaults(defaults("a\rb"), {}), std::exception);
    EXPECT_EQ(config(), "Host web\n");
    writeConfig("Host web\n  User \xff\n");
    EXPECT_THROW(store->saveHost(stored("", "db", "db.example"), {}), std::exception);
    EXPECT_EQ(config(), "Host web\n  User \xff\n");
}

// Edits and appends go to where a relative link leads, and the link stays.
TEST_F(SystemVaultStoreTest, SymlinkedCrLfConfigIsWrittenThrough) {
    writeFile(home.file("dotfiles/ssh_config"), "Host web\r\n  User a\r\n");
    fs::create_directories(ssh(""));
    ASSERT_EQ(::symlink("../dotfiles/ssh_config", ssh("config").c_str()), 0);
    store->saveConfigHost(host("web", "web.example"), std::nullopt, {});
    store->saveHost(host("b"), {});
    EXPECT_TRUE(S_ISLNK(statOf(ssh("config")).st_mode));
    EXPECT_EQ(readFile(home.file("dotfiles/ssh_config")),
              "Host web\r\n  HostName web.example\r\n\r\nHost b\r\n");
}

// Key operations.

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
        EXPECT_EQ(key.fingerprint, printedFingerprint(ssh(options.name + ".pub")));
        EXPECT_TRUE(key.publicKey.ends_with(" " + options.comment.value_or("")) ||
                    options.comment->empty())
            << key.publicKey;
    }
    EXPECT_EQ(fs::status(ssh("")).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(keyNamed(store->generateKey({"my key.old", "ed25519", {}, {}}), "my_key_old").path,
              "~/.ssh/my_key_old");
    EXPECT_TRUE(fs::exists(ssh("my_key_old")));
}

TEST_F(SystemVaultStoreTest, PassphraseIsSetChangedAndRemoved) {
    makeKeyPair(ssh("work"));
    const std::string id = store->loadData().keys.at(0).id;
    EXPECT_EQ(store->changePassphrase({id, "", "first secret"}).at(0).hasPassphrase, true);
    EXPECT_EQ(KeyScanner::scan(ssh("")).at(0).hasPassphrase, true);
    EXPECT_EQ(store->changePassphrase({id, "first secret", "second"}).at(0).hasPassphrase, true);
    EXPECT_EQ(store->changePassphrase({id, "second", ""}).at(0).hasPassphrase, false);
    EXPECT_EQ(KeyScanner::scan(ssh("")).at(0).hasPassphrase, false);
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
}

TEST(KeyChangesTest, ToolFailuresNameTheKeyInOneLine) {
    KeyToolResult result{1, "", "Saving key \"/h/.ssh/.work.Ab12Cd\" failed:\r\n  disk full\r\n"};
    EXPECT_EQ(KeyChanges::failureMessage(result, "/h/.ssh/.work.Ab12Cd", "~/.ssh/work"),
              "Saving key \"~/.ssh/work\" failed: disk full");
    EXPECT_FALSE(KeyChanges::isWrongPassphrase(result));
}

TEST_F(SystemVaultStoreTest, PassphrasesNeverReachAnArgumentListOrLeaveFilesBehind) {
    TempDir scratch;
    {
        const ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt), tmp("TMPDIR", scratch.path());
        const std::string id =
            keyNamed(store->generateKey({"guarded", "ed25519", "TopSecret-1", {}}), "guarded").id;
        store->changePassphrase({id, "TopSecret-1", "TopSecret-2"});
    }
    const std::string arguments = readFile(toolLog);
    EXPECT_EQ(arguments.find("TopSecret"), std::string::npos) << arguments;
    EXPECT_NE(arguments.find("-p -f"), std::string::npos) << arguments;
    EXPECT_TRUE(fs::is_empty(scratch.path())) << "the askpass folder is removed";
}

TEST_F(SystemVaultStoreTest, DeleteRemovesBothFilesAndTheNameTwiceOver) {
    makeKeyPair(ssh("old"));
    makeKeyPair(ssh("keep"));
    SSHKey old = keyNamed(store->loadData().keys, "old");
    old.name = "Old key";
    store->saveKeyMeta(old);

    store->deleteKeyMeta(old.id);
    EXPECT_FALSE(fs::exists(ssh("old")));
    EXPECT_FALSE(fs::exists(ssh("old.pub")));
    EXPECT_TRUE(meta().load().keyMeta.empty());
    EXPECT_NO_THROW(store->deleteKeyMeta(old.id));
    EXPECT_EQ(store->rescanKeys().size(), 1u);
}

// Locking.

TEST(StoreLockTest, ChangeFailsAndReadGoesOnWhileHeldAndAWaiterGetsItOnRelease) {
    TempDir dir;
    const std::string lockPath = dir.file("sub/meta.json.lock");
    auto holder = std::make_unique<StoreLock>(lockPath, StoreLock::Mode::change);
    ASSERT_TRUE(holder->held());
    EXPECT_TRUE(StoreLock(lockPath, StoreLock::Mode::change, 50ms).held())
        << "the thread that holds it may take it again";
    std::thread([&] {
        EXPECT_THROW(StoreLock(lockPath, StoreLock::Mode::change, 50ms), std::exception);
        EXPECT_FALSE(StoreLock(lockPath, StoreLock::Mode::read, 50ms).held());
    }).join();

    std::thread waiter(
        [&] { EXPECT_TRUE(StoreLock(lockPath, StoreLock::Mode::change, 5s).held()); });
    EXPECT_TRUE(eventually([&] { return lockDescriptorsOn(lockPath) == 2; }));
    holder.reset();
    waiter.join();
}

// Every rename must survive: a load, change, save that overlapped another
// would drop the other's name.
TEST_F(SystemVaultStoreTest, ConcurrentRenamesFromThreadsAndProcessesAreAllKept) {
    constexpr int threads = 8, processes = 4, renamesEach = 10;
    auto renameAll = [this](const std::string& id) {
        for (int round = 0; round < renamesEach; ++round) {
            SSHKey key;
            key.id = id;
            key.name = id + "-" + std::to_string(round);
            store->saveKeyMeta(key);
        }
    };

    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            try {
                renameAll("process" + std::to_string(p));
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] { renameAll("thread" + std::to_string(t)); });
    for (auto& worker : workers)
        worker.join();
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    auto names = meta().load().keyMeta;
    ASSERT_EQ(names.size(), static_cast<std::size_t>(threads + processes));
    for (const auto& entry : names)
        EXPECT_EQ(entry.name, entry.id + "-" + std::to_string(renamesEach - 1));
}

} // namespace
} // namespace moorkeep::test
