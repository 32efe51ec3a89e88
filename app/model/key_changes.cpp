#include "key_changes.h"

#include "model/app_model.h"
#include "model/list_reads.h"
#include "model/store_calls.h"
#include "stores/vault_rules.h"

namespace moorkeep {

KeyChanges::KeyChanges(AppModel& model, StoreCalls& store, ListReads& reads)
    : model_(model)
    , store_(store)
    , reads_(reads) {}

QFuture<void> KeyChanges::renameKey(const SSHKey& key) {
    std::optional<std::string> previousName;
    auto keys = model_.keys();
    if (auto renamed = findById(keys, key); renamed != keys.end()) {
        previousName = renamed->name;
        renamed->name = key.name;
        model_.setKeys(std::move(keys));
    }

    Completion done;
    reads_.keyCalls().changeStarted();
    store_.change([key](VaultStore& store) { store.saveKeyMeta(key); },
                  [this, done, name = QString::fromStdString(key.name)] {
                      reads_.keyCallSettled();
                      model_.notify(AppModel::tr("Renamed to \u201c%1\u201d").arg(name));
                      done.finish();
                  },
                  [this, done, key, previousName](const QString& message) {
                      takeBackRename(key, previousName);
                      model_.fail(done, message);
                      reads_.keyCallSettled(true);
                  });
    return done.future();
}

void KeyChanges::takeBackRename(const SSHKey& key, const std::optional<std::string>& previousName) {
    auto keys = model_.keys();
    if (auto it = findById(keys, key); previousName && it != keys.end() && it->name == key.name) {
        it->name = *previousName;
        model_.setKeys(std::move(keys));
    }
}

QFuture<void> KeyChanges::deleteKey(const SSHKey& key) {
    return removeAtOnce(store_, keyList(), key,
                        [id = key.id](VaultStore& store) { store.deleteKeyMeta(id, {}); });
}

QFuture<void> KeyChanges::generateKey(const GenerateKeyOptions& options,
                                      const std::optional<std::string>& displayName) {
    Completion done(ShownBy::caller);
    reads_.keyCalls().changeStarted();
    store_.change(
        [options, displayName](VaultStore& store) {
            return VaultRules::generateKey(store, options, displayName);
        },
        [this, done](const std::vector<SSHKey>& keys) {
            model_.setKeys(keys);
            reads_.keyCallSettled();
            done.finish();
        },
        [this, done](const QString& message) {
            reads_.keyCallSettled(true);
            model_.fail(done, message);
            // The key may exist although its display name was not saved.
            model_.refreshKeys();
        });
    return done.future();
}

QFuture<void> KeyChanges::changePassphrase(const ChangePassphraseOptions& options) {
    const auto before = model_.keyWithId(options.keyId);
    const QString name = before ? QString::fromStdString(before->name) : QString();
    const QString outcome = options.newPassphrase.empty()
                                ? AppModel::tr("Passphrase of \u201c%1\u201d removed")
                            : before && before->hasPassphrase == true
                                ? AppModel::tr("Passphrase of \u201c%1\u201d changed")
                                : AppModel::tr("Passphrase of \u201c%1\u201d set");
    Completion done(ShownBy::caller);
    reads_.keyCalls().changeStarted();
    store_.change([options](VaultStore& store) { return store.changePassphrase(options); },
                  [this, done, message = outcome.arg(name)](const std::vector<SSHKey>& keys) {
                      model_.setKeys(keys);
                      reads_.keyCallSettled();
                      model_.notify(message);
                      done.finish();
                  },
                  [this, done](const QString& message) {
                      reads_.keyCallSettled(true);
                      model_.fail(done, message);
                  });
    return done.future();
}

QFuture<void> KeyChanges::recreatePublicKey(const RecreatePublicKeyOptions& options,
                                            ShownBy shownBy) {
    const auto before = model_.keyWithId(options.keyId);
    const QString message = AppModel::tr("Public key of \u201c%1\u201d re-created")
                                .arg(before ? QString::fromStdString(before->name) : QString());
    Completion done(shownBy);
    reads_.keyCalls().changeStarted();
    store_.change([options](VaultStore& store) { return store.recreatePublicKey(options); },
                  [this, done, message](const std::vector<SSHKey>& keys) {
                      model_.setKeys(keys);
                      reads_.keyCallSettled();
                      model_.notify(message);
                      done.finish();
                  },
                  [this, done](const QString& failure) {
                      reads_.keyCallSettled(true);
                      model_.fail(done, failure);
                  });
    return done.future();
}

PublishedList<SSHKey> KeyChanges::keyList() {
    return {.items = [this]() -> const std::vector<SSHKey>& { return model_.keys(); },
            .set = [this](std::vector<SSHKey> keys) { model_.setKeys(std::move(keys)); },
            .calls = reads_.keyCalls(),
            .settled = [this](bool failed) { reads_.keyCallSettled(failed); },
            .failed = [this](const Completion& done,
                             const QString& message) { model_.fail(done, message); }};
}

} // namespace moorkeep
