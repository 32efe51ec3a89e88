#include "watch/file_stamps.h"

#include "files/folders.h"

#include <string_view>

namespace moorkeep::Stamping {

FileStamps ofConfig(const ConfigFiles& config) {
    FileStamps stamps;
    for (const auto& file : config.files)
        stamps[file] = files::stampOf(file);
    for (const auto& folder : config.folders)
        for (const auto& name : files::entryNames(folder).value_or(std::vector<std::string>{})) {
            const std::string file = folder + "/" + name;
            stamps[file] = files::stampOf(file);
        }
    return stamps;
}

FileStamps ofKeyPairs(const std::string& keyFolder) {
    FileStamps stamps;
    constexpr std::string_view suffix = ".pub";
    for (const auto& name : files::entryNames(keyFolder).value_or(std::vector<std::string>{})) {
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
