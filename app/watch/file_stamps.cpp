#include "watch/file_stamps.h"

#include <dirent.h>
#include <string_view>
#include <sys/stat.h>

namespace moorkeep::Stamping {
namespace {

long long nanoseconds(const timespec& time) {
    return static_cast<long long>(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
}

// The names in a folder, or none when it cannot be listed.
std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

} // namespace

FileStamp ofPath(const std::string& path) {
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

FileStamps ofConfig(const ConfigFiles& config) {
    FileStamps stamps;
    for (const auto& file : config.files)
        stamps[file] = ofPath(file);
    for (const auto& folder : config.folders)
        for (const auto& name : entries(folder)) {
            const std::string file = folder + "/" + name;
            stamps[file] = ofPath(file);
        }
    return stamps;
}

FileStamps ofKeyPairs(const std::string& keyFolder) {
    FileStamps stamps;
    constexpr std::string_view suffix = ".pub";
    for (const auto& name : entries(keyFolder)) {
        if (name.size() <= suffix.size() || !name.ends_with(suffix))
            continue;
        const std::string publicFile = keyFolder + "/" + name;
        const std::string privateFile = publicFile.substr(0, publicFile.size() - suffix.size());
        stamps[publicFile] = ofPath(publicFile);
        stamps[privateFile] = ofPath(privateFile);
    }
    return stamps;
}

} // namespace moorkeep::Stamping
