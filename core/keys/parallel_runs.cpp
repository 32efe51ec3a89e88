#include "keys/parallel_runs.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace moorkeep::keys {
namespace {

// The work is a child process each, busy on a processor; more threads than
// processors gain nothing, and a few keep a small machine from idling while a
// child starts.
std::size_t workerCount() {
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 2, 8);
}

} // namespace

void runInParallel(std::size_t count, const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t index = next++; index < count; index = next++)
            work(index);
    };
    std::vector<std::thread> helpers;
    std::size_t wanted = std::min(count, workerCount());
    helpers.reserve(wanted);
    for (std::size_t started = 1; started < wanted; ++started) {
        try {
            helpers.emplace_back(worker);
        } catch (const std::system_error&) {
            break; // fewer threads only make it slower
        }
    }
    worker();
    for (auto& helper : helpers)
        helper.join();
}

} // namespace moorkeep::keys
