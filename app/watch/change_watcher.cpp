#include "watch/change_watcher.h"

#include "files/paths.h"

#include <QStringList>
#include <algorithm>
#include <set>

namespace moorkeep {
namespace {

// A folder that exists: the one given, or the nearest one above it, whose
// listing changes when the missing part is created.
std::string existingFolder(std::string folder) {
    while (!files::stampOf(folder).exists && folder != "/" && folder != ".")
        folder = paths::parent(folder);
    return folder;
}

// The stamps of fresh, except those of paths already known, which keep what
// was seen of them before.
FileStamps keepingKnown(FileStamps fresh, const FileStamps& known) {
    for (auto& [path, stamp] : fresh)
        if (auto seen = known.find(path); seen != known.end())
            stamp = seen->second;
    return fresh;
}

} // namespace

ChangeWatcher::ChangeWatcher(QObject* parent)
    : QObject(parent) {
    settleTimer_.setSingleShot(true);
    connect(&settleTimer_, &QTimer::timeout, this, &ChangeWatcher::settle);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &ChangeWatcher::noticed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &ChangeWatcher::noticed);
}

void ChangeWatcher::follow(const DataSources& sources) {
    // The same files: the last burst's settling has watched them already.
    if (sources == sources_)
        return;
    const bool first = sources_ == DataSources{};
    config_ = keepingKnown(Stamping::ofConfig(sources.config), config_);
    if (first || sources.keyFolder != sources_.keyFolder)
        keyPairs_ = Stamping::ofKeyPairs(sources.keyFolder);
    if (first || sources.metaFile != sources_.metaFile)
        meta_ = files::stampOf(sources.metaFile);
    sources_ = sources;
    rewatch();
}

void ChangeWatcher::noticed() {
    if (!settleTimer_.isActive())
        burst_.start();
    const auto left = longestWait - std::chrono::milliseconds(burst_.elapsed());
    settleTimer_.start(std::clamp(left, std::chrono::milliseconds(0), settleTime));
}

void ChangeWatcher::settle() {
    FileStamps config = Stamping::ofConfig(sources_.config);
    FileStamps keyPairs = Stamping::ofKeyPairs(sources_.keyFolder);
    files::FileStamp meta = files::stampOf(sources_.metaFile);
    const bool configChanged = config != config_;
    const bool keysChanged = keyPairs != keyPairs_;
    const bool metaChanged = meta != meta_;
    config_ = std::move(config);
    keyPairs_ = std::move(keyPairs);
    meta_ = meta;
    rewatch();
    // A file written after it was stamped but before it was watched (a key
    // pair's public half, created empty and filled a moment later) would
    // give no notice: such a change starts another round.
    if (Stamping::ofConfig(sources_.config) != config_ ||
        Stamping::ofKeyPairs(sources_.keyFolder) != keyPairs_ ||
        files::stampOf(sources_.metaFile) != meta_)
        noticed();
    if (configChanged || keysChanged || metaChanged)
        emit changed(keysChanged || metaChanged);
}

void ChangeWatcher::rewatch() {
    std::set<std::string> files;
    std::set<std::string> folders;
    auto watchFile = [&](const std::string& file) {
        files.insert(file);
        folders.insert(existingFolder(paths::parent(file)));
    };
    for (const auto& file : sources_.config.files)
        watchFile(file);
    for (const auto& folder : sources_.config.folders)
        folders.insert(existingFolder(folder));
    for (const auto& [file, stamp] : keyPairs_)
        files.insert(file);
    if (!sources_.keyFolder.empty())
        folders.insert(existingFolder(sources_.keyFolder));
    if (!sources_.metaFile.empty())
        watchFile(sources_.metaFile);

    QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
    QStringList paths;
    for (const auto& path : files)
        if (files::stampOf(path).exists)
            paths.append(QString::fromStdString(path));
    for (const auto& path : folders)
        paths.append(QString::fromStdString(path));
    if (!paths.isEmpty())
        watcher_.addPaths(paths);
}

} // namespace moorkeep
