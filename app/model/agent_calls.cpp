#include "agent_calls.h"

#include "model/app_model.h"
#include "model/completion.h"
#include "model/secret_wipe.h"
#include "model/store_calls.h"

#include <memory>

namespace moorkeep {

AgentCalls::AgentCalls(AppModel& model, StoreCalls& store)
    : model_(model)
    , store_(store) {}

QFuture<void> AgentCalls::refreshAgent() {
    Completion done;
    const unsigned changes = changes_;
    const unsigned read = ++reads_;
    store_.read([](VaultStore& store) { return store.agentKeys(); },
                [this, done, changes, read](AgentState&& state) {
                    if (changes == changes_ && read > readApplied_) {
                        readApplied_ = read;
                        model_.setAgent(std::move(state));
                    }
                    done.finish();
                },
                [done](const QString&) { done.finish(); });
    return done.future();
}

void AgentCalls::changeEnded(const std::optional<SSHKey>& key, bool held) {
    ++changes_;
    if (key && model_.agent().isRunning()) {
        AgentState changed = model_.agent();
        if (held)
            changed.fingerprints.insert(key->fingerprint);
        else
            changed.fingerprints.erase(key->fingerprint);
        model_.setAgent(std::move(changed));
    }
    refreshAgent();
}

QFuture<void> AgentCalls::addKeyToAgent(const AgentAddOptions& options) {
    // One copy of the passphrase, shared by the copies of the call, and
    // wiped on the worker whatever the outcome.
    auto request = std::make_shared<AgentAddOptions>(options);
    const auto key = model_.keyWithId(options.keyId);
    Completion done(ShownBy::caller);
    ++changes_;
    store_.change(
        [request](VaultStore& store) {
            try {
                store.addKeyToAgent(*request);
            } catch (...) {
                wipeSecret(request->passphrase);
                throw;
            }
            wipeSecret(request->passphrase);
        },
        [this, done, key] {
            changeEnded(key, true);
            if (key)
                model_.notify(AppModel::tr("\u201c%1\u201d added to the agent")
                                  .arg(QString::fromStdString(key->name)));
            done.finish();
        },
        [this, done](const QString& message) {
            changeEnded(std::nullopt, false);
            model_.fail(done, message);
        });
    return done.future();
}

QFuture<void> AgentCalls::removeKeyFromAgent(const SSHKey& key) {
    Completion done;
    ++changes_;
    store_.change([id = key.id](VaultStore& store) { store.removeKeyFromAgent(id); },
                  [this, done, key] {
                      changeEnded(key, false);
                      model_.notify(AppModel::tr("\u201c%1\u201d removed from the agent")
                                        .arg(QString::fromStdString(key.name)));
                      done.finish();
                  },
                  [this, done](const QString& message) {
                      changeEnded(std::nullopt, false);
                      model_.fail(done, message);
                  });
    return done.future();
}

} // namespace moorkeep
