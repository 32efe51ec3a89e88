#include "stores/store_lock.h"
#include "stores/user_meta_store.h"
#include "system_vault_store_fixture.h"

#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace moorkeep::test {
namespace {

using namespace std::chrono_literals;

TEST(StoreLockTest, ChangeFailsAndReadGoesOnWhenTheLockIsHeld) {
    TempDir dir;
    const std::string lockPath = dir.file("sub/meta.json.lock");
    StoreLock holder(lockPath, StoreLock::Mode::change);
    ASSERT_TRUE(holder.held());
    EXPECT_THROW(StoreLock(lockPath, StoreLock::Mode::change, 50ms), std::exception);
    StoreLock reader(lockPath, StoreLock::Mode::read, 50ms);
    EXPECT_FALSE(reader.held());
}

TEST(StoreLockTest, WaitsForTheHolderToFinish) {
    TempDir dir;
    const std::string lockPath = dir.file("meta.json.lock");
    auto holder = std::make_unique<StoreLock>(lockPath, StoreLock::Mode::change);
    std::thread release([&] {
        std::this_thread::sleep_for(100ms);
        holder.reset();
    });
    StoreLock waiter(lockPath, StoreLock::Mode::change, 5s);
    EXPECT_TRUE(waiter.held());
    release.join();
}

// Every rename must survive: a load, change, save that overlapped another
// would drop the other's name.
TEST_F(SystemVaultStoreTest, ConcurrentRenamesFromThreadsAndProcessesAreAllKept) {
    constexpr int threads = 8, processes = 4, renamesEach = 10;
    auto rename = [this](const std::string& id, int round) {
        SSHKey key;
        key.id = id;
        key.name = id + "-" + std::to_string(round);
        store->saveKeyMeta(key);
    };

    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int code = 0;
            try {
                for (int round = 0; round < renamesEach; ++round)
                    rename("process" + std::to_string(p), round);
            } catch (...) {
                code = 1;
            }
            _exit(code);
        }
        children.push_back(pid);
    }
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int round = 0; round < renamesEach; ++round)
                rename("thread" + std::to_string(t), round);
        });
    for (auto& worker : workers)
        worker.join();
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    auto names = UserMetaStore(metaPath()).load().keyMeta;
    ASSERT_EQ(names.size(), static_cast<std::size_t>(threads + processes));
    for (const auto& entry : names)
        EXPECT_EQ(entry.name, entry.id + "-" + std::to_string(renamesEach - 1));
}

} // namespace
} // namespace moorkeep::test
