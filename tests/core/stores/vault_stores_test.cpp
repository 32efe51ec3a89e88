#include "files/file_error.h"
#include "files/paths.h"
#include "keys/key_changes.h"
#include "keys/key_scanner.h"
#include "metadata/user_meta_store.h"
#include "model/agent_error.h"
#include "model/host_groups.h"
#include "model/vault_error.h"
#include "stores/demo_vault_store.h"
#include "stores/store_lock.h"
#include "support/key_files.h"
#include "support/open_files.h"
#include "support/records.h"
#include "support/scoped_env.h"
#include "support/store_home.h"
#include "support/test_agent.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nlohmann::json;
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

// The key of that name; out_of_range when there is none.
const SSHKey& keyNamed(const std::vector<SSHKey>& keys, const std::string& name) {
    return keys.at(std::ranges::find(keys, name, &SSHKey::name) - keys.begin());
}

void storeHosts(const UserMetaStore& metaStore, std::vector<SSHHost> hosts) {
    UserMeta meta;
    meta.hosts = std::move(hosts);
    metaStore.save(meta);
}

template <typename T> std::vector<std::string> ids(const std::vector<T>& items) {
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back(item.id);
    return out;
}

const std::regex upperUuid("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");

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

// Copies of undecodable files kept in the folder.
std::vector<std::string> keptCopies(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".unreadable-") != std::string::npos)
            out.push_back(entry.path().string());
    return out;
}

// Loading.

// No key, no cache to remember: reading writes nothing, and leaves a file
// written by hand as it was.
TEST_F(SystemVaultStoreTest, ReadingWritesOnlyWhatTheCacheNeeds) {
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

    // A second load, or a new store's, runs no tool and leaves the file alone.
    makeKeyPair(ssh("id_ed25519"));
    makeKeyPair(ssh("work"), "ed25519", "secret");
    writeConfig("Host web\n  IdentityFile ~/.ssh/id_ed25519\n");
    VaultData first = store->loadData();
    ASSERT_EQ(first.keys.size(), 2u);
    const SSHKey& idKey = first.keys[0].name == "id_ed25519" ? first.keys[0] : first.keys[1];
    EXPECT_EQ(first.hosts.at(0).keyId, idKey.id) << "IdentityFile names the scanned key";
    const std::size_t runs = toolRuns();
    const struct stat before = statOf(metaPath());

    EXPECT_EQ(makeStore()->loadData(), first);
    EXPECT_EQ(store->rescanKeys(), first.keys);
    EXPECT_EQ(toolRuns(), runs);
    const struct stat after = statOf(metaPath());
    EXPECT_EQ(std::tie(after.st_ino, after.st_mtim.tv_sec, after.st_mtim.tv_nsec),
              std::tie(before.st_ino, before.st_mtim.tv_sec, before.st_mtim.tv_nsec));
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

// A file that does not decode may be another program's work in progress:
// reading leaves it alone, and the first change keeps it aside, once for the
// same bytes.
TEST_F(SystemVaultStoreTest, CorruptMetadataIsLeftToReadsAndKeptAsideOnceByAChange) {
    const std::string corrupt = "{ \"version\": 1, \"hosts\": [ broken";
    writeFile(metaPath(), corrupt);
    makeKeyPair(ssh("id_ed25519"));
    VaultData data = store->loadData();
    store->rescanKeys();
    EXPECT_TRUE(data.hosts.empty());
    EXPECT_THAT(data.warnings, testing::ElementsAre(testing::HasSubstr(metaPath())));
    EXPECT_EQ(readFile(metaPath()), corrupt);
    EXPECT_TRUE(keptCopies(home.file("data")).empty());
    SSHKey key = data.keys.at(0);
    key.name = "Work";
    store->saveKeyMeta(key);
    writeFile(metaPath(), corrupt);
    key.name = "Job";
    store->saveKeyMeta(key);
    EXPECT_THAT(keptCopies(home.file("data")),
                testing::ElementsAre(testing::ResultOf(readFile, corrupt)));
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
    EXPECT_TRUE(json::parse(readFile(metaPath())).contains("hosts"));
    const auto again = makeStore();
    EXPECT_EQ(again->preferredTerminal(), "xterm -fa Mono");
    again->setPreferredTerminal(std::nullopt);
    EXPECT_FALSE(json::parse(readFile(metaPath())).contains("preferredTerminal"));
}

// Includes two levels deep, two of them inside Host blocks, and the alias web
// in two files: each host knows the line of its own Host line, and the
// groups follow the files in the order OpenSSH reads them, stored hosts last.
TEST_F(SystemVaultStoreTest, HostsKnowTheirLineAndGroupInReadingOrder) {
    writeConfig("Include config.d/work\n"
                "Host web\n  HostName web.example.org\n  Include inner\n"
                "Host db\n  User admin\n");
    writeFile(ssh("config.d/work"), "# work\n"
                                    "Host build\n  Include ~/.ssh/config.d/deep\n\n"
                                    "Host web\n  User deploy\n");
    writeFile(ssh("config.d/deep"), "Host ci\n  HostName ci.example.org\n");
    writeFile(ssh("inner"), "Port 2222\nHost mail\n");
    storeHosts(meta(), {stored("KEPT", "kept", "kept.example.org")});

    const VaultData data = store->loadData();

    using Place = std::tuple<std::string, std::string, std::size_t>;
    std::vector<Place> places;
    for (const SSHHost& host : data.hosts)
        places.emplace_back(host.alias, host.facts.block.file, host.facts.block.line);
    const std::vector<Place> expected{{"build", ssh("config.d/work"), 2},
                                      {"ci", ssh("config.d/deep"), 1},
                                      {"web", ssh("config.d/work"), 5},
                                      {"web", ssh("config"), 2},
                                      {"mail", ssh("inner"), 2},
                                      {"db", ssh("config"), 5},
                                      {"kept", "", 0}};
    EXPECT_EQ(places, expected);

    const std::vector<HostGroups::Group> groups =
        HostGroups::byFile(data.hosts, data.sources.config.files, ssh("config"));
    const std::vector<HostGroups::Group> expectedGroups{{ssh("config"), {3, 5}},
                                                        {ssh("config.d/work"), {0, 2}},
                                                        {ssh("config.d/deep"), {1}},
                                                        {ssh("inner"), {4}},
                                                        {"", {6}}};
    EXPECT_EQ(groups, expectedGroups);
    EXPECT_EQ(paths::tilded(groups[1].file, home.path()), "~/.ssh/config.d/work");
}

// Host operations.

// A new host gets a fresh id and its block at the end; so do defaults when
// no block is for every host.
TEST_F(SystemVaultStoreTest, NewHostsAndDefaultsAreAppended) {
    writeConfig("# mine\nHost *.example.com\n  User x");
    SSHHost saved = store->saveHost(stored("", "web", "10.0.0.5"), {});
    EXPECT_TRUE(std::regex_match(saved.id, upperUuid)) << saved.id;
    EXPECT_EQ(saved.source, HostSource::config);
    EXPECT_TRUE(meta().load().hosts.empty());
    Defaults readBack = store->saveConfigDefaults(defaults("", 2022, "", "jump"), {});
    EXPECT_EQ(config(), "# mine\nHost *.example.com\n  User x\n\nHost web\n  HostName 10.0.0.5\n"
                        "\nHost *\n  Port 2022\n  ProxyJump jump\n");
    EXPECT_EQ(readBack, (Defaults{"", 2022, "", "jump", {}, ssh("config")}));
}

// Saving a stored host moves it into its block; deleting a stored host takes
// its block too; deleting a block leaves the stored host of that alias.
TEST_F(SystemVaultStoreTest, StoredHostsAndTheirBlocks) {
    writeConfig("Host web\n  HostName old.example\nHost db\nHost lab\n");
    const SSHHost web = stored("U1", "web", "new.example", "me");
    storeHosts(meta(), {web, stored("U2", "web", "other"), stored("U3", "lab", "lab"),
                        stored("U4", "db", "h")});
    EXPECT_EQ(store->saveHost(web, {}).id, "U1");
    EXPECT_EQ(config(), "Host web\n  HostName new.example\n  User me\nHost db\nHost lab\n");
    EXPECT_EQ(aliases(meta().load().hosts), (std::vector<std::string>{"lab(user)", "db(user)"}))
        << "the same alias under another id goes too";
    EXPECT_EQ(aliases(store->loadData().hosts),
              (std::vector<std::string>{"web", "lab(user)", "db(user)"}));
    store->deleteHost("U4", {});
    EXPECT_EQ(config(), "Host web\n  HostName new.example\n  User me\nHost lab\n");
    store->deleteConfigHost(host("lab"));
    EXPECT_EQ(config(), "Host web\n  HostName new.example\n  User me\n");
    EXPECT_EQ(aliases(store->loadData().hosts), (std::vector<std::string>{"web", "lab(user)"}));
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

TEST_F(SystemVaultStoreTest, ChangesThatCannotBeMadeLeaveTheFileAlone) {
    // A pattern block is no host: it is neither edited nor deleted as one.
    const std::string text = "Host web*\n  HostName h\nHost db\n";
    writeConfig(text);
    EXPECT_THROW(store->saveConfigHost(host("web*", "x"), std::nullopt, {}), std::exception);
    EXPECT_THROW(store->saveConfigHost(host("web", "x"), std::nullopt, {}), std::exception);
    EXPECT_THROW(store->deleteConfigHost(host("web*")), std::exception);
    // Nor are values written that would break the file.
    EXPECT_THROW(store->saveHost(stored("", "evil", "h\nHost *\n  ProxyCommand sh"), {}),
                 std::exception);
    EXPECT_THROW(store->saveConfigDefaults(defaults("a\rb"), {}), std::exception);
    EXPECT_EQ(config(), text);
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

// A display name replaces the last one and goes with its metadata entry;
// deleting a key takes both files and its name, and may be done twice. A key
// that hosts use is refused, naming them, unless the caller overrides.
TEST_F(SystemVaultStoreTest, DisplayNamesAndDeletingAKey) {
    makeKeyPair(ssh("old"));
    makeKeyPair(ssh("keep"));
    SSHKey old = keyNamed(store->loadData().keys, "old");
    old.name = "Laptop";
    store->saveKeyMeta(old);
    old.name = "Old key";
    store->saveKeyMeta(old);
    EXPECT_EQ(keyNamed(store->loadData().keys, "Old key").id, old.id);
    UserMeta saved = meta().load();
    EXPECT_EQ(saved.keyMeta.size(), 1u);
    saved.keyMeta.clear();
    meta().save(saved);
    EXPECT_EQ(keyNamed(store->rescanKeys(), "old").id, old.id);

    store->saveKeyMeta(old);
    writeConfig("Host web\n  IdentityFile ~/.ssh/old\nHost api\n  User u\nHost *\n"
                "  IdentityFile ~/.ssh/old\n");
    try {
        store->deleteKeyMeta(old.id, {});
        ADD_FAILURE() << "a used key was deleted";
    } catch (const VaultError& error) {
        EXPECT_EQ(error.kind(), VaultError::Kind::keyInUse);
        EXPECT_STREQ(error.what(), "Remove key from all hosts first: Old key is used by web, api");
    }
    EXPECT_EQ(entries(ssh("")),
              (std::vector<std::string>{"config", "keep", "keep.pub", "old", "old.pub"}));
    EXPECT_EQ(meta().load().keyMeta.size(), 1u);
    store->deleteKeyMeta(old.id, {.evenIfUsed = true});
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"config", "keep", "keep.pub"}));
    EXPECT_TRUE(meta().load().keyMeta.empty());
    EXPECT_NO_THROW(store->deleteKeyMeta(old.id, {}));
    EXPECT_EQ(store->rescanKeys().size(), 1u);
    store->deleteKeyMeta(keyNamed(store->loadData().keys, "keep").id, {});
    EXPECT_EQ(entries(ssh("")), (std::vector<std::string>{"config"}));
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
    constexpr int processes = 4, threads = 3, renamesEach = 10;
    // Each process, this one too, renames from threads of its own; a failed
    // rename ends the process.
    auto renameFromThreads = [this](const std::string& process) {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&, t] {
                const std::string id = process + "/" + std::to_string(t);
                for (int round = 0; round < renamesEach; ++round)
                    store->saveKeyMeta(namedKey(id, id + "-" + std::to_string(round)));
            });
        for (auto& worker : workers)
            worker.join();
    };
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            renameFromThreads("process" + std::to_string(p));
            ::_exit(0);
        }
        children.push_back(pid);
    }
    renameFromThreads("this");
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    auto names = meta().load().keyMeta;
    ASSERT_EQ(names.size(), static_cast<std::size_t>((processes + 1) * threads));
    for (const auto& entry : names)
        EXPECT_EQ(entry.name, entry.id + "-" + std::to_string(renamesEach - 1));
}

// The demo store.

// Each store starts from the sample data, whatever another one changed: a
// host of either source, in order, and defaults that name a key. A new host
// or key gets a UUID; a second save replaces the host; a deleted key's
// references stay.
TEST(DemoVaultStoreTest, EachStoreStartsFromTheSampleDataAndChangesItsOwn) {
    DemoVaultStore first;
    first.deleteHost("1", {});
    first.saveConfigDefaults(defaults("me"), {});
    EXPECT_EQ(first.loadData().hosts.size(), 5u);
    DemoVaultStore store;
    const VaultData sample = store.loadData();
    EXPECT_EQ(ids(sample.hosts), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(ids(sample.keys), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(sample.hosts[4].source, HostSource::user);
    EXPECT_EQ(sample.defaults.keyId, "2");

    SSHHost saved = store.saveHost(host("new", "10.1.1.1"), {});
    EXPECT_TRUE(std::regex_match(saved.id, upperUuid)) << saved.id;
    EXPECT_EQ(saved.source, HostSource::user);
    saved.user = "changed";
    store.saveHost(saved, {});
    auto hosts = store.loadData().hosts;
    ASSERT_EQ(hosts.size(), 7u);
    EXPECT_EQ(hosts.back(), saved);

    EXPECT_THROW(store.deleteKeyMeta("2", {}), VaultError);
    EXPECT_EQ(store.loadData().keys.size(), 4u);
    store.deleteKeyMeta("2", {.evenIfUsed = true});
    const VaultData data = store.loadData();
    EXPECT_EQ(ids(data.keys), (std::vector<std::string>{"1", "3", "4"}));
    EXPECT_EQ(data.hosts[2].keyId, "2") << "references to a deleted key stay";
    EXPECT_EQ(data.defaults.keyId, "2");

    EXPECT_EQ(store.changePassphrase({"1", "ignored", ""})[0].hasPassphrase, false);
    EXPECT_EQ(store.changePassphrase({"3", "", "new"})[1].hasPassphrase, true);

    const SSHKey key = store.generateKey({"work", "ed25519", std::nullopt, std::nullopt}).back();
    EXPECT_TRUE(std::regex_match(key.id, upperUuid)) << key.id;
    EXPECT_EQ(key.path, "~/.ssh/work");
    EXPECT_EQ(key.publicKey, "ed25519 AAAA...demo work");
    EXPECT_EQ(key.hasPassphrase, false);
}

// The metadata file.

// A document that decodes, with every kind of member present; its cache entry
// does not know whether the key has a passphrase.
json validDocument() {
    return json::parse(R"({
        "version": 1,
        "keyMeta": [{"id": "a1b2c3d4e5f60718", "name": "Work laptop"}],
        "hosts": [{"id": "H1", "alias": "db", "hostname": "db.example.com", "user": "ops",
                   "port": 2222, "extraOptions": {"Compression": "yes"}, "source": "user"}],
        "preferredTerminal": "kitty",
        "keyCache": [{"pubPath": "/h/.ssh/a.pub", "pubMtime": 1733412345.25, "pubSize": 81,
                      "privMtime": 1733412345, "privSize": 411, "fingerprint": "SHA256:x",
                      "type": "ed25519", "publicKey": "ssh-ed25519 A", "createdAt": "2024-12-05"}]
    })");
}

class UserMetaStoreTest : public testing::Test {
protected:
    TempDir dir;
    std::string folder = dir.file("data/Moorkeep");
    std::string path = folder + "/moorkeep-config.json";
    UserMetaStore store{path};
};

// Without a file, a save writes the private default record; a path that
// cannot be read as the file is not replaced; a symbolic link is saved
// through to its target.
TEST_F(UserMetaStoreTest, WhereASaveWrites) {
    EXPECT_EQ(store.load(), UserMeta{});
    store.save(store.load());
    EXPECT_EQ(modeOf(folder), 0700);
    EXPECT_EQ(modeOf(path), 0600);
    EXPECT_EQ(json::parse(readFile(path)),
              json::parse(R"({"version": 1, "keyMeta": [], "hosts": []})"));

    fs::remove(path);
    fs::create_directories(path); // a folder cannot be read as the file, even by root
    EXPECT_THROW(store.save(UserMeta{}), FileError);
    EXPECT_TRUE(fs::is_directory(path));

    fs::remove(path);
    const std::string target = dir.file("elsewhere/real-config.json");
    writeFile(target, validDocument().dump());
    fs::create_symlink(target, path);
    UserMeta meta = store.load();
    meta.preferredTerminal = "xterm";
    store.save(meta);
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(UserMetaStore(target).load(), meta);
}

TEST_F(UserMetaStoreTest, FullDocumentSurvivesLoadAndSaveToTheByteAndTimesToTheBit) {
    writeFile(path, validDocument().dump());
    UserMeta meta = store.load();
    ASSERT_EQ(meta.hosts.size(), 1u);
    EXPECT_EQ(meta.hosts[0].port, 2222);
    EXPECT_EQ(meta.preferredTerminal, "kitty");
    ASSERT_TRUE(meta.keyCache);
    EXPECT_EQ(meta.keyCache->at(0),
              (KeyCacheEntry{"/h/.ssh/a.pub", 1733412345.25, 81, 1733412345.0, 411, "SHA256:x",
                             std::nullopt, "ed25519", "ssh-ed25519 A", "2024-12-05"}));

    store.save(meta);
    const std::string first = readFile(path);
    json written = json::parse(first);
    EXPECT_FALSE(written["keyCache"][0].contains("hasPassphrase"));
    EXPECT_EQ(store.load(), meta);
    store.save(store.load());
    EXPECT_EQ(readFile(path), first);
    EXPECT_TRUE(keptCopies(folder).empty());

    // An absent cache is told from an empty one.
    written.erase("keyCache");
    writeFile(path, written.dump());
    EXPECT_EQ(store.load().keyCache, std::nullopt);
    written["keyCache"] = json::array();
    writeFile(path, written.dump());
    EXPECT_EQ(store.load().keyCache, std::vector<KeyCacheEntry>{});

    // The scan compares cached times exactly, so a time must read back as the
    // very same double, not merely a close one.
    for (double time : {1733412345.123456789, 0.1 + 0.2, std::nextafter(1733412345.0, 2e9), -0.0,
                        std::numeric_limits<double>::denorm_min(), 1e21}) {
        UserMeta meta;
        meta.keyCache =
            std::vector<KeyCacheEntry>{{"/h/.ssh/a.pub", time, 81, time, 411, "SHA256:x", true,
                                        "ed25519", "ssh-ed25519 A", "2024-12-05"}};
        store.save(meta);
        const auto back = store.load().keyCache.value_or(std::vector<KeyCacheEntry>(1)).at(0);
        EXPECT_EQ(back.pubMtime, time);
        EXPECT_EQ(std::signbit(back.pubMtime), std::signbit(time));
        EXPECT_EQ(back.privMtime, time);
    }
}

// The names and hosts in a file this version cannot read must survive the
// next save: its exact bytes are kept beside it first.
TEST_F(UserMetaStoreTest, UndecodableFileLoadsTheDefaultAndIsKeptAsideOnSave) {
    const std::pair<const char*, std::function<void(json&)>> breakages[] = {
        {"missing hosts", [](json& d) { d.erase("hosts"); }},
        {"host port as text", [](json& d) { d["hosts"][0]["port"] = "22"; }},
        {"cache time as text", [](json& d) { d["keyCache"][0]["pubMtime"] = "now"; }},
        {"cache passphrase as text", [](json& d) { d["keyCache"][0]["hasPassphrase"] = "no"; }},
    };
    for (const auto& [name, breakIt] : breakages) {
        SCOPED_TRACE(name);
        json document = validDocument();
        breakIt(document);
        const std::string before = document.dump(2);
        const std::string caseFolder = dir.file(name);
        UserMetaStore caseStore(caseFolder + "/meta.json");
        writeFile(caseStore.path(), before);
        EXPECT_EQ(caseStore.load(), UserMeta{});

        UserMeta meta;
        meta.preferredTerminal = "new";
        caseStore.save(meta);
        auto copies = keptCopies(caseFolder);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(readFile(copies[0]), before);
        EXPECT_EQ(modeOf(copies[0]), 0600);
        EXPECT_EQ(caseStore.load(), meta);
    }
}

TEST(UserMetaStoreMergeTest, AppliesNonEmptyDisplayNamesInScanOrder) {
    const std::vector<SSHKey> scanned{
        {"k1", "id_ed25519", "~/.ssh/id_ed25519", "ed25519", "f1", "ssh-ed25519 A", true,
         "2024-12-05"},
        {"k2", "work", "~/.ssh/work", "rsa", "f2", "ssh-rsa B", false, "2024-12-06"}};
    // Each row: the overrides, and the names of the two keys they give.
    const std::tuple<const char*, std::vector<KeyMetaEntry>, std::string, std::string> cases[] = {
        {"no overrides", {}, "id_ed25519", "work"},
        {"named second key", {{"k2", "Work laptop"}}, "id_ed25519", "Work laptop"},
        {"empty name keeps the file name", {{"k1", ""}}, "id_ed25519", "work"},
        {"unknown id ignored", {{"gone", "Old"}}, "id_ed25519", "work"},
        {"later duplicate wins", {{"k1", "First"}, {"k1", "Second"}}, "Second", "work"},
    };
    for (const auto& [name, overrides, first, second] : cases) {
        std::vector<SSHKey> expected = scanned;
        expected[0].name = first;
        expected[1].name = second;
        EXPECT_EQ(UserMetaStore::merge(scanned, overrides), expected) << name;
    }
}

// The agent.

constexpr const char* passphrase = "correct horse";

// A store on a home of its own whose ssh-add runs are logged (arguments
// only) before the real program does the work; its runtime folder, where
// the askpass helper goes, is the test's too.
class AgentStoreTest : public StoreHome {
protected:
    AgentStoreTest() { ::mkdir(home.file("runtime").c_str(), 0700); }

    std::string log() const { return home.file("ssh-add.log"); }

    SSHKey key(const std::string& name) { return keyNamed(store.rescanKeys(), name); }
    bool holds(const std::string& name) { return store.agentKeys().holds(key(name)); }
    void add(const std::string& name, const std::string& given,
             std::optional<std::int64_t> lifetime = std::nullopt) {
        store.addKeyToAgent({key(name).id, given, lifetime});
    }
    // The message of the AgentError the call throws, with its kind checked.
    template <typename Call> std::string agentError(AgentError::Kind kind, Call call) {
        try {
            call();
        } catch (const AgentError& error) {
            EXPECT_EQ(error.kind(), kind) << error.what();
            return error.what();
        }
        ADD_FAILURE() << "no AgentError";
        return {};
    }

    ScopedEnv runtime{"XDG_RUNTIME_DIR", home.file("runtime")};
    std::string snapshots = home.file("processes");
    SystemVaultStore store{
        {.homedir = home.path(),
         .userMetaPath = home.file("meta.json"),
         .agentToolPath = recordingKeyTool(
             home.path(), log(), watchingKeyTool(home.path(), snapshots, "/usr/bin/ssh-add")),
         .backupFolder = home.file("backups")}};
};

// With an agent of the test's own: what ssh-add would not take is refused
// before it runs; then keys go in and come out, a key given a lifetime
// leaves when it is over, and no passphrase is ever an argument.
TEST_F(AgentStoreTest, OpenAndProtectedKeysGoInAndComeOut) {
    const TestAgent agent(home.path());
    ASSERT_TRUE(agent.ready()) << "ssh-agent did not start";
    const ScopedEnv socket("SSH_AUTH_SOCK", agent.socket());
    makeKeyPair(ssh("open"));
    makeKeyPair(ssh("locked"), "ed25519", passphrase);
    for (std::int64_t lifetime : {std::int64_t{0}, std::int64_t{-5}, std::int64_t{1} << 32})
        EXPECT_THROW(add("open", "", lifetime), std::invalid_argument) << lifetime;
    EXPECT_THROW(add("locked", "line\nbreak"), std::invalid_argument);
    EXPECT_THROW(store.addKeyToAgent({"no-such-id", "", std::nullopt}), VaultError);
    EXPECT_TRUE(fileLines(log()).empty());
    EXPECT_EQ(store.agentKeys(), AgentState{});
    add("open", "");
    EXPECT_TRUE(holds("open"));
    EXPECT_FALSE(holds("locked"));

    EXPECT_EQ(agentError(AgentError::Kind::wrongPassphrase, [&] { add("locked", ""); }),
              "~/.ssh/locked is protected: its passphrase is needed.");
    EXPECT_EQ(agentError(AgentError::Kind::wrongPassphrase, [&] { add("locked", "wrong"); }),
              "The passphrase of ~/.ssh/locked is not right.");
    EXPECT_FALSE(holds("locked"));
    add("locked", passphrase);
    // The agent's own word, as ssh-keygen prints the fingerprints.
    EXPECT_EQ(store.agentKeys().fingerprints,
              (std::set<std::string>{printedFingerprint(ssh("open.pub")),
                                     printedFingerprint(ssh("locked.pub"))}));

    store.removeKeyFromAgent(key("locked").id);
    EXPECT_FALSE(holds("locked"));
    EXPECT_TRUE(holds("open"));
    EXPECT_NE(
        agentError(AgentError::Kind::failed, [&] { store.removeKeyFromAgent(key("locked").id); })
            .find("~/.ssh/locked"),
        std::string::npos);

    add("locked", passphrase);
    add("open", "", 2);
    const auto runs = fileLines(log());
    EXPECT_NE(std::find(runs.begin(), runs.end(), "-t 2 " + ssh("open")), runs.end());
    EXPECT_TRUE(holds("open"));
    EXPECT_TRUE(eventually([&] { return !holds("open"); }, std::chrono::seconds(15)));
    EXPECT_TRUE(holds("locked"));

    for (const auto& run : runs) {
        EXPECT_EQ(run.find("horse"), std::string::npos) << run;
        EXPECT_EQ(run.find("wrong"), std::string::npos) << run;
    }
    // Nor in what /proc shows of ssh-add and of its askpass helper while it
    // waited for the answer: asked for the right one twice, for the wrong
    // one once and again.
    const std::string seen = readFile(snapshots);
    EXPECT_EQ(std::ranges::count(fileLines(snapshots), "askpass"), 4);
    EXPECT_EQ(seen.find("horse"), std::string::npos);
    EXPECT_EQ(seen.find("wrong"), std::string::npos);
    // Nor is the askpass helper left behind.
    EXPECT_TRUE(std::filesystem::is_empty(home.file("runtime")));

    // ssh-add's question names the key's file, whatever words that holds.
    for (const std::string name : {"old passphrase", "Bad passphrase"}) {
        makeKeyPair(ssh(name), "ed25519", passphrase);
        add(name, passphrase);
        EXPECT_TRUE(holds(name)) << name;
    }
}

// Nothing is run when there is no agent to ask: SSH_AUTH_SOCK unset, a
// socket nothing listens on, or no socket at all.
TEST_F(AgentStoreTest, WithoutAnAgentSaysWhyAndChangesNothing) {
    makeKeyPair(ssh("open"));
    onSocket(home.file("dead.sock"), ::bind); // bound, then closed: nothing listens
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, "SSH_AUTH_SOCK is not set"},
        {home.file("dead.sock"), "Connection refused"},
        {home.file("gone.sock"), "No such file or directory"}};
    for (const auto& [path, reason] : cases) {
        const ScopedEnv socket("SSH_AUTH_SOCK", path);
        const std::string expected =
            "No ssh-agent is running (" + (path ? *path + ": " : std::string()) + reason + ")";
        EXPECT_EQ(store.agentKeys().problem, expected);
        EXPECT_FALSE(store.agentKeys().isRunning());
        EXPECT_EQ(agentError(AgentError::Kind::notRunning, [&] { add("open", ""); }), expected);
        EXPECT_EQ(agentError(AgentError::Kind::notRunning,
                             [&] { store.removeKeyFromAgent(key("open").id); }),
                  expected);
    }
    EXPECT_TRUE(fileLines(log()).empty());
}

} // namespace
} // namespace moorkeep::test
