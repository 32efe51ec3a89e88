#pragma once

#include "diagnosis/finding.h"
#include "model/store_calls.h"

#include <QFuture>
#include <QObject>
#include <memory>

namespace moorkeep {

class AppModel;

// What is wrong with the OpenSSH set-up, as the store's diagnosis last said:
// asked on a worker of its own once the first load has painted, and again
// whenever the model's lists change (a save, or files changed elsewhere),
// never more than one at a time.
class ConfigDiagnosis : public QObject {
    Q_OBJECT

public:
    ConfigDiagnosis(std::shared_ptr<VaultStore> store, AppModel& model);

    const Diagnosis& current() const { return current_; }
    // Asks again: now, or once the one running has ended.
    void recheck();
    // The finding's fix, then a fresh diagnosis. Fails with the store's message.
    QFuture<void> applyFix(const FindingFix& fix);

signals:
    void changed();

private:
    void ran(Diagnosis diagnosis);

    AppModel& model_;
    StoreCalls calls_;
    Diagnosis current_;
    bool running_ = false;
    bool again_ = false;
};

} // namespace moorkeep
