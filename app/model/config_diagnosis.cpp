#include "model/config_diagnosis.h"

#include "model/app_model.h"
#include "model/completion.h"

namespace moorkeep {

ConfigDiagnosis::ConfigDiagnosis(std::shared_ptr<VaultStore> store, AppModel& model)
    : model_(model)
    , calls_(std::move(store),
             [](const QStringList&, const QString&, const std::vector<ConfigChange>&) {}) {
    // After the first load, so the first paint never waits for ssh.
    connect(&model_, &AppModel::isLoadingChanged, this, [this] {
        if (!model_.isLoading())
            recheck();
    });
    for (auto changed : {&AppModel::hostsChanged, &AppModel::defaultsChanged,
                         &AppModel::keysChanged, &AppModel::rereadApplied})
        connect(&model_, changed, this, [this] {
            if (!model_.isLoading())
                recheck();
        });
}

void ConfigDiagnosis::recheck() {
    if (running_) {
        again_ = true;
        return;
    }
    running_ = true;
    calls_.read([](VaultStore& store) { return store.diagnose(); },
                [this](Diagnosis diagnosis) { ran(std::move(diagnosis)); },
                [this](const QString&) { ran(current_); });
}

void ConfigDiagnosis::ran(Diagnosis diagnosis) {
    running_ = false;
    if (diagnosis != current_) {
        current_ = std::move(diagnosis);
        emit changed();
    }
    if (again_) {
        again_ = false;
        recheck();
    }
}

QFuture<void> ConfigDiagnosis::applyFix(const FindingFix& fix) {
    Completion done(ShownBy::caller);
    calls_.change([fix](VaultStore& store) { store.applyFix(fix); },
                  [this, done] {
                      recheck();
                      done.finish();
                  },
                  [done](const QString& message) { done.fail(message); });
    return done.future();
}

} // namespace moorkeep
