#include "watch/file_stamps.h"

#include <dirent.h>
#include <string_view>

namespace moorkeep::Stamping {
namespace {

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

FileStamps ofConfig(const ConfigFiles& config) {
    FileStamps stamps;
    for (const auto& file : config.files)
        stamps[file] = files::stampOf(file);
    for (const auto& folder : config.folders)
        for (const auto& name : entries(folder)) {
            const std::string file = folder + "/" + name;
            stamps[file] = files::stampOf(file);
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
        stamps[publicFile] = files::stampOf(publicFile);
        stamps[privateFile] = files::stampOf(privateFile);
    }
    return stamps;
}

} // namespace moorkeep::Stamping
