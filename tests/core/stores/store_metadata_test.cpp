#include "stores/demo_vault_store.h"
#include "support/key_files.h"
#include "support/records.h"
#include "support/store_home.h"
#include "support/system_store_test.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace moorkeep::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

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

} // namespace
} // namespace moorkeep::test
