#include "files/folders.h"

#include "files/file_error.h"
#include "files/paths.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::files {

std::optional<std::vector<std::string>> entryNames(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    if (!listing)
        return std::nullopt;
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(listing.get());
        if (!item)
            break;
        std::string_view name = item->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    if (errno != 0)
        return std::nullopt;
    return names;
}

std::string temporaryRoot() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        struct stat st {};
        if (value && *value == '/' && ::stat(value, &st) == 0 && S_ISDIR(st.st_mode))
            return value;
    }
    return "/tmp";
}

std::string makePrivateFolder(const std::string& parent, std::string_view prefix,
                              const std::string& purpose,
                              std::optional<InterruptCleanup::Guard>& guard) {
    std::string pattern = paths::join(parent, std::string(prefix) + "XXXXXX");
    // mkdtemp creates the folder with mode 700.
    if (InterruptCleanup::makeTemporaryFolder(pattern, guard) != 0)
        throw FileError(purpose, parent, errno);
    return pattern;
}

void removeFolderAndFiles(const std::string& folder) {
    for (const auto& name : entryNames(folder).value_or(std::vector<std::string>{}))
        ::unlink(paths::join(folder, name).c_str());
    ::rmdir(folder.c_str());
}

} // namespace moorkeep::files
