#pragma once

#include "model/known_host_keys.h"

#include <QFuture>
#include <string>

namespace moorkeep {

class AppModel;
class StoreCalls;

// The host keys ssh trusts, from the known_hosts files, read and forgotten
// on the model's workers.
class KnownHostCalls {
public:
    KnownHostCalls(AppModel& model, StoreCalls& store);

    // Read each time, as ssh adds keys without telling; no keys when the
    // store cannot say.
    QFuture<KnownHostKeys> read(const std::string& name);
    QFuture<void> forget(const std::string& name);

private:
    AppModel& model_;
    StoreCalls& store_;
};

} // namespace moorkeep
