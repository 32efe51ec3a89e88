#include "keys/file_facts.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace moorkeep::keys {
namespace {

double seconds(std::int64_t whole, std::uint32_t nanoseconds) {
    return static_cast<double>(whole) + static_cast<double>(nanoseconds) / 1e9;
}

std::optional<FileFacts> readWithStat(const std::string& path) {
    struct stat attributes;
    if (::stat(path.c_str(), &attributes) != 0)
        return std::nullopt;
    return FileFacts{
        seconds(attributes.st_mtim.tv_sec, static_cast<std::uint32_t>(attributes.st_mtim.tv_nsec)),
        static_cast<std::int64_t>(attributes.st_size), std::nullopt,
        static_cast<unsigned>(attributes.st_mode & 07777)};
}

} // namespace

std::optional<FileFacts> readFileFacts(const std::string& path) {
#ifdef STATX_BTIME
    struct statx attributes;
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_MTIME | STATX_SIZE | STATX_BTIME | STATX_MODE,
                &attributes) != 0)
        return errno == ENOSYS ? readWithStat(path) : std::nullopt;
    FileFacts facts;
    if (attributes.stx_mask & STATX_MTIME)
        facts.modified = seconds(attributes.stx_mtime.tv_sec, attributes.stx_mtime.tv_nsec);
    if (attributes.stx_mask & STATX_SIZE)
        facts.size = static_cast<std::int64_t>(attributes.stx_size);
    if (attributes.stx_mask & STATX_BTIME)
        facts.born = seconds(attributes.stx_btime.tv_sec, attributes.stx_btime.tv_nsec);
    if (attributes.stx_mask & STATX_MODE)
        facts.permissions = static_cast<unsigned>(attributes.stx_mode & 07777);
    return facts;
#else
    return readWithStat(path);
#endif
}

} // namespace moorkeep::keys
