#include "files/background_work.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace moorkeep::files {
namespace {

// The work waits mostly on a child process or the disk; more threads than
// processors gain nothing, and a few keep a small machine from idling while
// a child starts.
std::size_t workerCount() {
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 2, 8);
}

// A thread running work, or nothing when none can be started: fewer threads
// only make it slower.
std::optional<std::thread> startThread(const std::function<void()>& work) {
    try {
        return std::thread(work);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

} // namespace

void runInParallel(std::size_t count, const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next{0};
    const std::function<void()> worker = [&] {
        for (std::size_t index = next++; index < count; index = next++)
            work(index);
    };
    std::vector<std::thread> helpers;
    const std::size_t wanted = std::min(count, workerCount());
    helpers.reserve(wanted);
    for (std::size_t started = 1; started < wanted; ++started) {
        std::optional<std::thread> helper = startThread(worker);
        if (!helper)
            break;
        helpers.push_back(std::move(*helper));
    }
    worker();
    for (auto& helper : helpers)
        helper.join();
}

void runSideBySide(const std::function<void()>& aside, const std::function<void()>& here) {
    std::optional<std::thread> helper = startThread(aside);
    here();
    if (helper)
        helper->join();
    else
        aside();
}

void runInTwoHalves(std::size_t count, std::size_t alone,
                    const std::function<void(std::size_t begin, std::size_t end)>& work) {
    if (count < alone) {
        work(0, count);
        return;
    }
    const std::size_t half = count / 2;
    runSideBySide([&] { work(half, count); }, [&] { work(0, half); });
}

} // namespace moorkeep::files
