#include "files/stale_files.h"

#include "files/atomic_file.h"
#include "files/folders.h"
#include "files/paths.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>
#include <unistd.h>

namespace moorkeep::files {

void removeStaleEntries(const std::string& folder,
                        const std::function<bool(const std::string& name, bool isFolder)>& ours) {
    const auto names = entryNames(folder);
    if (!names)
        return;
    const std::time_t before = std::time(nullptr) - staleAfterSeconds;
    for (const auto& name : *names) {
        // A shared temporary folder holds many entries: only names that
        // could be ours are looked at.
        if (!ours(name, true) && !ours(name, false))
            continue;
        const std::string path = paths::join(folder, name);
        struct stat facts {};
        if (::lstat(path.c_str(), &facts) != 0 || facts.st_uid != ::geteuid() ||
            facts.st_mtime > before)
            continue;
        if (S_ISDIR(facts.st_mode) && ours(name, true))
            removeFolderAndFiles(path);
        else if (S_ISREG(facts.st_mode) && ours(name, false))
            ::unlink(path.c_str());
    }
}

bool isTemporaryOf(const std::string& name, const std::string& base) {
    constexpr std::size_t suffix = 7; // ".XXXXXX"
    const std::string head = "." + base + ".";
    return name.size() == head.size() + suffix - 1 && name.starts_with(head) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(head.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

void sweepTemporariesOf(const std::string& file) {
    const std::string target = resolveLinks(file);
    const std::string base = paths::baseName(target);
    removeStaleEntries(paths::parent(target), [&](const std::string& name, bool isFolder) {
        return !isFolder && isTemporaryOf(name, base);
    });
}

} // namespace moorkeep::files
