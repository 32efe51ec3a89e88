#pragma once

#include <csignal>
#include <sys/resource.h>

namespace moorkeep::test {

// While it lives, no file of this process (nor of the programs it starts)
// can grow past its first byte: every write to a file fails part-way with
// EFBIG, as a full disk makes it fail with ENOSPC, on every thread. A real
// fault of the system, so the code under test needs no seam for it.
class FullDisk {
public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit earlierLimit_{};
    struct sigaction earlierSignal_ {};
};

} // namespace moorkeep::test
