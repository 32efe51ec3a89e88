#include "stores/unreadable_copy.h"

#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/folders.h"
#include "files/paths.h"
#include "files/text_file.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::UnreadableCopy {
namespace {

// Creates the file only if no file of that name exists, so that two processes
// keeping a copy at the same moment never write over each other. Returns
// false when the name is taken.
bool writeNew(const std::string& path, std::string_view bytes) {
    const int error = files::writeNewFile(path, bytes, 0600);
    if (error == EEXIST)
        return false;
    if (error != 0)
        throw FileError("keep a copy of the unreadable file as", path, error);
    return true;
}

// A copy of these bytes kept beside the path before.
std::optional<std::string> copyOf(const std::string& path, std::string_view bytes) {
    const std::string folder = paths::parent(path);
    const std::string prefix = paths::baseName(path) + ".unreadable-";
    for (const auto& name : files::entryNames(folder).value_or(std::vector<std::string>{})) {
        if (!name.starts_with(prefix))
            continue;
        const std::string candidate = paths::join(folder, name);
        files::ReadResult kept = files::readFile(candidate);
        if (kept.status == files::ReadStatus::ok && kept.bytes == bytes)
            return candidate;
    }
    return std::nullopt;
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
