#include "watch/change_watcher.h"

#include "files/paths.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace moorkeep {
namespace {

// A folder that exists: the one given, or the nearest one above it, whose
// listing changes when the missing part is created.
std::string existingFolder(std::string folder, files::FileStamp& stamp) {
    while (!(stamp = files::stampOf(folder)).exists && folder != "/" && folder != ".")
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

bool sameFile(const files::FileStamp& a, const files::FileStamp& b) {
    return a.device == b.device && a.inode == b.inode;
}

} // namespace

ChangeWatcher::ChangeWatcher(QObject* parent)
    : QObject(parent) {
    worker_.setMaxThreadCount(1);
    settleTimer_.setSingleShot(true);
    connect(&settleTimer_, &QTimer::timeout, this, [this] { startSurvey(true); });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &ChangeWatcher::noticed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &ChangeWatcher::noticed);
}

void ChangeWatcher::follow(const DataSources& sources) {
    // The same files: the last burst's settling has watched them already.
    if (sources == sources_)
        return;
    sources_ = sources;
    ++generation_;
    startSurvey(false);
}

ChangeWatcher::Survey ChangeWatcher::survey(const DataSources& sources) {
    Survey found;
    found.config = Stamping::ofConfig(sources.config);
    found.keyPairs = Stamping::ofKeyPairs(sources.keyFolder);
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

void ChangeWatcher::noticed() {
    if (!settleTimer_.isActive())
        burst_.start();
    const auto left = longestWait - std::chrono::milliseconds(burst_.elapsed());
    settleTimer_.start(std::clamp(left, std::chrono::milliseconds(0), settleTime));
}

void ChangeWatcher::startSurvey(bool settling) {
    worker_.start([this, sources = sources_, generation = generation_, settling] {
        QMetaObject::invokeMethod(
            this,
            [this, sources, found = survey(sources), generation, settling]() mutable {
                surveyed(sources, std::move(found), generation, settling);
            },
            Qt::QueuedConnection);
    });
}

void ChangeWatcher::surveyed(const DataSources& sources, Survey found, unsigned generation,
                             bool settling) {
    // Of sources followed no more: a settling whose survey this was starts
    // again on the new ones, once they are followed.
    if (generation != generation_) {
        if (settling)
            noticed();
        return;
    }
    if (!settling) {
        // What was seen already stays: a change made while the snapshot was
        // applied is still to be noticed.
        const bool first = followed_ == DataSources{};
        config_ = keepingKnown(std::move(found.config), config_);
        if (first || sources.keyFolder != followed_.keyFolder)
            keyPairs_ = std::move(found.keyPairs);
        if (first || sources.metaFile != followed_.metaFile)
            meta_ = found.meta;
        followed_ = sources;
        rewatch(found.watchable);
        return;
    }
    if (followed_ == DataSources{})
        return;
    const bool configChanged = found.config != config_;
    const bool keysChanged = found.keyPairs != keyPairs_;
    const bool metaChanged = found.meta != meta_;
    config_ = std::move(found.config);
    keyPairs_ = std::move(found.keyPairs);
    meta_ = found.meta;
    // A file written after it was stamped but before it was watched (a key
    // pair's public half, created empty and filled a moment later) would
    // give no notice: a new watch starts another round.
    if (rewatch(found.watchable))
        noticed();
    if (configChanged || keysChanged || metaChanged)
        emit changed(keysChanged || metaChanged);
}

bool ChangeWatcher::rewatch(const FileStamps& watchable) {
    const QStringList listed = watcher_.files() + watcher_.directories();
    const QSet<QString> watching(listed.begin(), listed.end());
    QStringList dropped;
    QStringList added;
    std::set<std::string> unwatched;
    for (const auto& [path, stamp] : watched_)
        if (!watchable.contains(path) && watching.contains(QString::fromStdString(path)))
            dropped.append(QString::fromStdString(path));
    for (const auto& [path, stamp] : watchable) {
        const QString name = QString::fromStdString(path);
        const auto known = watched_.find(path);
        const bool refused = unwatched_.contains(path);
        if (known != watched_.end() && sameFile(known->second, stamp) &&
            (refused || watching.contains(name))) {
            if (refused)
                unwatched.insert(path);
            continue;
        }
        if (watching.contains(name))
            dropped.append(name);
        added.append(name);
    }
    if (!dropped.isEmpty())
        watcher_.removePaths(dropped);
    if (!added.isEmpty())
        for (const QString& path : watcher_.addPaths(added))
            unwatched.insert(path.toStdString());
    watched_ = watchable;
    unwatched_ = std::move(unwatched);
    return !added.isEmpty();
}

} // namespace moorkeep
