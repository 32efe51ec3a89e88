#include "preference_calls.h"

#include "model/app_model.h"
#include "model/completion.h"
#include "model/store_calls.h"

#include <QPromise>
#include <memory>

namespace moorkeep {

PreferenceCalls::PreferenceCalls(AppModel& model, StoreCalls& store)
    : model_(model)
    , store_(store) {}

QFuture<std::optional<std::string>> PreferenceCalls::preferredTerminal() {
    auto promise = std::make_shared<QPromise<std::optional<std::string>>>();
    promise->start();
    auto answer = [promise](std::optional<std::string> commandLine) {
        promise->addResult(std::move(commandLine));
        promise->finish();
    };
    store_.read([](VaultStore& store) { return store.preferredTerminal(); }, answer,
                [answer](const QString&) { answer(std::nullopt); });
    return promise->future();
}

QFuture<void> PreferenceCalls::setPreferredTerminal(const std::optional<std::string>& commandLine) {
    Completion done;
    store_.change([commandLine](VaultStore& store) { store.setPreferredTerminal(commandLine); },
                  [this, done] {
                      model_.notify(AppModel::tr("Preferences saved"));
                      done.finish();
                  },
                  [this, done](const QString& message) { model_.fail(done, message); });
    return done.future();
}

} // namespace moorkeep
