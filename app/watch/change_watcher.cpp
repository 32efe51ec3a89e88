#include "watch/change_watcher.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace moorkeep {
namespace {

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
    settleTimer_.setSingleShot(true);
    connect(&settleTimer_, &QTimer::timeout, this, &ChangeWatcher::settle);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &ChangeWatcher::noticed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &ChangeWatcher::noticed);
}

void ChangeWatcher::follow(const DataSources& sources, SourcesSurvey found) {
    // The same files: the last burst's settling has watched them already.
    if (sources == sources_)
        return;
    const bool first = sources_ == DataSources{};
    config_ = keepingKnown(std::move(found.config), config_);
    if (first || sources.keyFolder != sources_.keyFolder)
        keyPairs_ = std::move(found.keyPairs);
    if (first || sources.metaFile != sources_.metaFile)
        meta_ = found.meta;
    sources_ = sources;
    ++generation_;
    rewatch(found.watchable);
}

void ChangeWatcher::noticed() {
    if (!settleTimer_.isActive())
        burst_.start();
    const auto left = longestWait - std::chrono::milliseconds(burst_.elapsed());
    settleTimer_.start(std::clamp(left, std::chrono::milliseconds(0), settleTime));
}

void ChangeWatcher::settle() {
    worker_.start([this, sources = sources_, generation = generation_] {
        return [this, found = Stamping::ofSources(sources), generation]() mutable {
            settled(std::move(found), generation);
        };
    });
}

void ChangeWatcher::settled(SourcesSurvey found, unsigned generation) {
    // Of sources followed no more: the new ones are surveyed instead.
    if (generation != generation_) {
        noticed();
        return;
    }
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
