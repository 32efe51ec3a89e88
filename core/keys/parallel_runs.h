#pragma once

#include <cstddef>
#include <functional>

namespace moorkeep::keys {

// Calls work(0) to work(count - 1) on a few threads, the calling one included,
// and returns when all calls are done. work must not throw.
void runInParallel(std::size_t count, const std::function<void(std::size_t)>& work);

} // namespace moorkeep::keys
