#pragma once

#include <cstddef>
#include <functional>

// The one way the core runs work off the calling thread: on threads it
// starts and joins before returning, so that nothing outlives the call.
namespace moorkeep::files {

// Calls work(0) to work(count - 1) on a few threads, the calling one included,
// and returns when all calls are done. work must not throw.
void runInParallel(std::size_t count, const std::function<void(std::size_t)>& work);

// Calls work(0, count) when count is under alone, otherwise work on the two
// halves of [0, count) side by side. work must not throw.
void runInTwoHalves(std::size_t count, std::size_t alone,
                    const std::function<void(std::size_t begin, std::size_t end)>& work);

// Calls aside on another thread while here runs on the calling one, and
// returns when both are done; when no thread can be started, aside runs
// after here. Neither may throw.
void runSideBySide(const std::function<void()>& aside, const std::function<void()>& here);

} // namespace moorkeep::files
