#include "known_host_calls.h"

#include "model/app_model.h"
#include "model/completion.h"
#include "model/store_calls.h"

#include <QPromise>
#include <memory>

namespace moorkeep {

KnownHostCalls::KnownHostCalls(AppModel& model, StoreCalls& store)
    : model_(model)
    , store_(store) {}

QFuture<KnownHostKeys> KnownHostCalls::read(const std::string& name) {
    auto promise = std::make_shared<QPromise<KnownHostKeys>>();
    promise->start();
    auto answer = [promise](KnownHostKeys keys) {
        promise->addResult(std::move(keys));
        promise->finish();
    };
    store_.read([name](VaultStore& store) { return store.knownHostKeys(name); }, answer,
                [answer, name](const QString&) {
                    KnownHostKeys none;
                    none.name = none.lookupName = name;
                    answer(std::move(none));
                });
    return promise->future();
}

QFuture<void> KnownHostCalls::forget(const std::string& name) {
    Completion done;
    store_.change([name](VaultStore& store) { return store.forgetHostKeys(name).lines(); },
                  [this, done](std::size_t lines) {
                      model_.notify(lines == 1 ? AppModel::tr("Forgot 1 host key")
                                               : AppModel::tr("Forgot %1 host keys").arg(lines));
                      done.finish();
                  },
                  [this, done](const QString& message) { model_.fail(done, message); });
    return done.future();
}

} // namespace moorkeep
