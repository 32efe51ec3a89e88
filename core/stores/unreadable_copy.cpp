#include "stores/unreadable_copy.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/paths.h"
#include "files/text_file.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::UnreadableCopy {
namespace {

// Creates the file only if no file of that name exists, so that two processes
// keeping a copy at the same moment never write over each other. Returns
// false when the name is taken.
bool writeNew(const std::string& path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        throw FileError("keep a copy of the unreadable file as", path, errno);
    }
    if (int error = files::finishFile(fd, bytes, 0600)) {
        ::unlink(path.c_str());
        throw FileError("keep a copy of the unreadable file as", path, error);
    }
    return true;
}

// A copy of these bytes kept beside the path before.
std::optional<std::string> copyOf(const std::string& path, std::string_view bytes) {
    const std::string folder = paths::parent(path);
    const std::string prefix = paths::baseName(path) + ".unreadable-";
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string candidate = paths::join(folder, name);
        files::ReadResult kept = files::readFile(candidate);
        if (kept.status == files::ReadStatus::ok && kept.bytes == bytes) {
            found = candidate;
            break;
        }
    }
    ::closedir(listing);
    return found;
}

} // namespace

std::string nameFor(const std::string& path, std::time_t when) {
    std::tm utc{};
    ::gmtime_r(&when, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return path + ".unreadable-" + stamp;
}

std::string keep(const std::string& path, std::string_view bytes, std::time_t when) {
    if (auto kept = copyOf(path, bytes))
        return *kept;
    const std::string base = nameFor(path, when);
    std::string candidate = base;
    for (int counter = 2; !writeNew(candidate, bytes); ++counter)
        candidate = base + "-" + std::to_string(counter);
    return candidate;
}

} // namespace moorkeep::UnreadableCopy
