#include "stores/store_lock.h"
#include "support/open_files.h"
#include "support/temp_dir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <unistd.h>

namespace moorkeep::test {
namespace {

using namespace std::chrono_literals;

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

} // namespace
} // namespace moorkeep::test
