#include "launch/program_search.h"

#include "files/paths.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::ProgramSearch {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat facts {};
    return ::stat(path.c_str(), &facts) == 0 && S_ISREG(facts.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::optional<std::string> find(std::string_view name, std::string_view searchPath) {
    if (name.empty())
        return std::nullopt;
    if (name.find('/') != std::string_view::npos) {
        std::string path(name);
        return isExecutableFile(path) ? std::optional(path) : std::nullopt;
    }
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string_view::npos)
            end = searchPath.size();
        // An empty entry is the current folder, as for execvp.
        const std::string_view folder = searchPath.substr(start, end - start);
        std::string path = paths::join(folder.empty() ? "." : folder, name);
        if (isExecutableFile(path))
            return path;
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> onPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    return find(name, path ? path : "/usr/bin:/bin");
}

} // namespace moorkeep::ProgramSearch
