#include "support/full_disk.h"

#include <stdexcept>

namespace moorkeep::test {

FullDisk::FullDisk() {
    // Past the limit the system also sends SIGXFSZ, which would end the
    // process; ignored, the write fails instead.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    if (::sigaction(SIGXFSZ, &ignore, &earlierSignal_) != 0 ||
        ::getrlimit(RLIMIT_FSIZE, &earlierLimit_) != 0)
        throw std::runtime_error("cannot limit the size of files");
    rlimit full = earlierLimit_;
    full.rlim_cur = 1;
    if (::setrlimit(RLIMIT_FSIZE, &full) != 0)
        throw std::runtime_error("cannot limit the size of files");
}

FullDisk::~FullDisk() {
    ::setrlimit(RLIMIT_FSIZE, &earlierLimit_);
    ::sigaction(SIGXFSZ, &earlierSignal_, nullptr);
}

} // namespace moorkeep::test
