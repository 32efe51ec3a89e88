#include "watch/file_stamps.h"

#include "files/folders.h"
#include "files/paths.h"

#include <string_view>

namespace moorkeep::Stamping {
namespace {

// A folder that exists, with its stamp: the one given, or the nearest one
// above it, whose listing changes when the missing part is created.
std::string existingFolder(std::string folder, files::FileStamp& stamp) {
    while (!(stamp = files::stampOf(folder)).exists && folder != "/" && folder != ".")
        folder = paths::parent(folder);
    return folder;
}

} // namespace

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

SourcesSurvey ofSources(const DataSources& sources) {
    SourcesSurvey found;
    found.config = ofConfig(sources.config);
    found.keyPairs = ofKeyPairs(sources.keyFolder);
    found.meta = files::stampOf(sources.metaFile);
    auto watchFolder = [&](const std::string& folder) {
        files::FileStamp stamp;
        const std::string existing = existingFolder(folder, stamp);
        found.watchable[existing] = stamp;
    };
    auto watchFile = [&](const std::string& file, const files::FileStamp& stamp) {
        if (stamp.exists)
            found.watchable[file] = stamp;
        watchFolder(paths::parent(file));
    };
    for (const auto& file : sources.config.files)
        watchFile(file, found.config[file]);
    for (const auto& folder : sources.config.folders)
        watchFolder(folder);
    for (const auto& [file, stamp] : found.keyPairs)
        if (stamp.exists)
            found.watchable[file] = stamp;
    if (!sources.keyFolder.empty())
        watchFolder(sources.keyFolder);
    if (!sources.metaFile.empty())
        watchFile(sources.metaFile, found.meta);
    return found;
}

} // namespace moorkeep::Stamping
