#include "list_reads.h"

#include "model/app_model.h"
#include "model/completion.h"
#include "model/store_calls.h"
#include "watch/change_watcher.h"

namespace moorkeep {

namespace {

// A snapshot and, surveyed on the same worker right after it was read, the
// files it was read from.
struct SourcedData {
    VaultData data;
    SourcesSurvey survey;
};

SourcedData readSourced(VaultStore& store) {
    SourcedData read{store.loadData(), {}};
    read.survey = Stamping::ofSources(read.data.sources);
    return read;
}

} // namespace

ListReads::ListReads(AppModel& model, StoreCalls& store)
    : model_(model)
    , store_(store) {}

QFuture<void> ListReads::load() {
    Completion done;
    const auto hostsRead = hostCalls_.readStarted();
    const auto keysRead = keyCalls_.readStarted();
    auto settled = [this] {
        keyCallSettled();
        hostCallSettled();
    };
    store_.read(
        readSourced,
        [this, done, hostsRead, keysRead, settled](SourcedData&& read) {
            if (keyCalls_.mayApply(keysRead))
                model_.setKeys(std::move(read.data.keys));
            if (hostCalls_.mayApply(hostsRead))
                applyConfig(std::move(read.data), std::move(read.survey));
            model_.setLoading(false);
            settled();
            done.finish();
        },
        [this, done, settled](const QString& message) {
            model_.fail(done, message);
            model_.setLoading(false);
            settled();
        });
    return done.future();
}

QFuture<void> ListReads::refreshKeys() {
    Completion done;
    const auto read = keyCalls_.readStarted();
    store_.read([](VaultStore& store) { return store.rescanKeys(); },
                [this, done, read](std::vector<SSHKey>&& keys) {
                    if (keyCalls_.mayApply(read))
                        model_.setKeys(std::move(keys));
                    keyCallSettled();
                    done.finish();
                },
                [this, done](const QString& message) {
                    model_.fail(done, message);
                    keyCallSettled(true);
                });
    return done.future();
}

void ListReads::hostCallSettled(bool failed) {
    if (hostCalls_.settled(failed))
        rereadHosts();
}

void ListReads::keyCallSettled(bool failed) {
    if (keyCalls_.settled(failed))
        rereadKeys();
}

// A failed read changes nothing; reading never needs the user's attention.
void ListReads::rereadHosts() {
    const auto read = hostCalls_.rereadStarted();
    store_.read(
        readSourced,
        [this, read](SourcedData&& sourced) {
            if (hostCalls_.mayApply(read)) {
                applyConfig(std::move(sourced.data), std::move(sourced.survey));
                emit model_.rereadApplied();
            }
            hostCallSettled();
        },
        [this](const QString&) { hostCallSettled(); });
}

void ListReads::rereadKeys() {
    const auto read = keyCalls_.rereadStarted();
    store_.read([](VaultStore& store) { return store.rescanKeys(); },
                [this, read](std::vector<SSHKey>&& keys) {
                    if (keyCalls_.mayApply(read)) {
                        model_.setKeys(std::move(keys));
                        emit model_.rereadApplied();
                    }
                    keyCallSettled();
                },
                [this](const QString&) { keyCallSettled(); });
}

void ListReads::applyConfig(VaultData&& data, SourcesSurvey&& survey) {
    // Before the hosts, which are grouped by these files.
    model_.setConfigFiles(data.sources.config.files);
    model_.setHosts(std::move(data.hosts));
    model_.setDefaults(std::move(data.defaults));
    QStringList warnings;
    for (const auto& warning : data.warnings)
        warnings.append(QString::fromStdString(warning));
    model_.setLoadWarnings(std::move(warnings));
    follow(data.sources, std::move(survey));
}

void ListReads::filesChanged(bool keysToo) {
    if (hostCalls_.changedElsewhere())
        rereadHosts();
    if (!keysToo)
        return;
    if (keyCalls_.changedElsewhere())
        rereadKeys();
}

// A store that reads no files (the demo) has nothing to follow.
void ListReads::follow(const DataSources& sources, SourcesSurvey&& survey) {
    if (sources == DataSources{})
        return;
    if (!watcher_) {
        watcher_ = new ChangeWatcher(&model_);
        QObject::connect(watcher_, &ChangeWatcher::changed, &model_,
                         [this](bool keysToo) { filesChanged(keysToo); });
    }
    watcher_->follow(sources, std::move(survey));
}

} // namespace moorkeep
