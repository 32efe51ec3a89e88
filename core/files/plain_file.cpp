#include "files/plain_file.h"

#include <sys/stat.h>

#ifdef __linux__
#include <sys/vfs.h>
#endif

namespace moorkeep::files {
namespace {

bool onPseudoFileSystem(const std::string& path) {
#ifdef __linux__
    struct statfs facts {};
    if (::statfs(path.c_str(), &facts) != 0)
        return false;
    // proc, sysfs, debugfs, tracefs, securityfs, cgroup2.
    for (long type : {0x9fa0L, 0x62656572L, 0x64626720L, 0x74726163L, 0x73636673L, 0x63677270L})
        if (static_cast<long>(facts.f_type) == type)
            return true;
#else
    (void)path;
#endif
    return false;
}

} // namespace

bool isPlainFile(const std::string& path) {
    struct stat facts {};
    return ::stat(path.c_str(), &facts) == 0 && S_ISREG(facts.st_mode) && !onPseudoFileSystem(path);
}

} // namespace moorkeep::files
