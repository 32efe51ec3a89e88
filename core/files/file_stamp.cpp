#include "files/file_stamp.h"

#include <sys/stat.h>

namespace moorkeep::files {
namespace {

long long nanoseconds(const timespec& time) {
    return static_cast<long long>(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
}

} // namespace

FileStamp stampOf(const std::string& path) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0)
        return {};
    return {.exists = true,
            .device = static_cast<unsigned long long>(facts.st_dev),
            .inode = static_cast<unsigned long long>(facts.st_ino),
            .size = static_cast<long long>(facts.st_size),
            .modifiedNs = nanoseconds(facts.st_mtim),
            .changedNs = nanoseconds(facts.st_ctim)};
}

} // namespace moorkeep::files
