#include "app_model.h"

#include "files/interrupt_cleanup.h"
#include "model/secret_wipe.h"
#include "model/store_error.h"
#include "stores/vault_rules.h"
#include "watch/change_watcher.h"

#include <QPromise>
#include <algorithm>
#include <exception>
#include <type_traits>

namespace moorkeep {

namespace {

// Enough workers that a key rescan on re-activation never queues behind two
// slow key generations.
constexpr int storeWorkers = 4;

// The future an operation hands its caller: finished once the result has
// been applied, or failed with a StoreError when the failure is the caller's
// to show. Left unfinished, it ends cancelled.
class Completion {
public:
    Completion()
        : promise_(std::make_shared<QPromise<void>>()) {
        promise_->start();
    }

    QFuture<void> future() const { return promise_->future(); }
    void finish() const { promise_->finish(); }
    void fail(const QString& message) const {
        promise_->setException(StoreError(message));
        promise_->finish();
    }

private:
    std::shared_ptr<QPromise<void>> promise_;
};

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

template <typename List, typename Item> auto findById(List& list, const Item& item) {
    return std::find_if(list.begin(), list.end(),
                        [&](const auto& entry) { return entry.id == item.id; });
}

} // namespace

AppModel::AppModel(std::shared_ptr<VaultStore> store, QObject* parent)
    : QObject(parent)
    , store_(std::move(store))
    , workers_(storeWorkers) {}

// Quitting does not wait out a running key tool (up to its time limit):
// calls not started are dropped, and the tools of running ones are ended, so
// those calls fail at once, leaving the files as they were.
AppModel::~AppModel() {
    workers_.clear();
    InterruptCleanup::endChildren();
    workers_.waitForDone();
}

template <typename Work, typename Success, typename Failure>
void AppModel::inStore(Work work, Success onSuccess, Failure onFailure) {
    workers_.start([store = store_, work, onSuccess, onFailure]() -> std::function<void()> {
        using Result = std::invoke_result_t<Work&, VaultStore&>;
        try {
            if constexpr (std::is_void_v<Result>) {
                work(*store);
                return onSuccess;
            } else {
                // The result is handed over, not copied: a snapshot of many
                // hosts would otherwise be copied on the model's thread.
                return
                    [onSuccess, result = work(*store)]() mutable { onSuccess(std::move(result)); };
            }
        } catch (const std::exception& error) {
            return [onFailure, message = QString::fromUtf8(error.what())] { onFailure(message); };
        }
    });
}

void AppModel::setTab(AppTab tab) {
    if (tab_ == tab)
        return;
    tab_ = tab;
    emit tabChanged();
}

void AppModel::clearErrorMessage() {
    if (!errorMessage_)
        return;
    errorMessage_.reset();
    emit errorMessageChanged();
}

std::optional<SSHKey> AppModel::keyWithId(const std::string& id) const {
    auto it = std::find_if(keys_.begin(), keys_.end(), [&](const SSHKey& k) { return k.id == id; });
    if (it == keys_.end())
        return std::nullopt;
    return *it;
}

std::vector<SSHHost> AppModel::hostsUsingKey(const std::string& keyId) const {
    return VaultRules::hostsUsingKey(hosts_, keyId);
}

KeyIdToPath AppModel::keyIdToPath() const {
    return VaultRules::keyIdToPath(keys_);
}

QFuture<void> AppModel::load() {
    Completion done;
    const auto hostsRead = hostCalls_.readStarted();
    const auto keysRead = keyCalls_.readStarted();
    auto settled = [this] {
        keyCallSettled();
        hostCallSettled();
    };
    inStore(
        readSourced,
        [this, done, hostsRead, keysRead, settled](SourcedData&& read) {
            if (keyCalls_.mayApply(keysRead))
                setKeys(std::move(read.data.keys));
            if (hostCalls_.mayApply(hostsRead))
                applyConfig(std::move(read.data), std::move(read.survey));
            setLoading(false);
            settled();
            done.finish();
        },
        [this, done, settled](const QString& message) {
            report(message);
            setLoading(false);
            settled();
            done.finish();
        });
    return done.future();
}

QFuture<void> AppModel::saveHost(SSHHost host) {
    auto keyMap = keyIdToPath();
    auto originalAlias = VaultRules::originalAlias(hosts_, host.id);

    // A new host (empty id) only appears once the store has given it an id.
    std::optional<SSHHost> replaced;
    auto hosts = hosts_;
    if (auto edited = findById(hosts, host); !host.id.empty() && edited != hosts.end()) {
        replaced = *edited;
        *edited = host;
        setHosts(std::move(hosts));
    }

    Completion done;
    hostCalls_.changeStarted();
    inStore(
        [host, originalAlias, keyMap](VaultStore& store) {
            SSHHost saved = VaultRules::saveHost(store, host, originalAlias, keyMap);
            // Listed as the next load gives it (its id, and values the
            // defaults fill in), so reading the file again changes nothing.
            try {
                for (auto& loaded : store.loadDataForAliases({saved.alias}).hosts)
                    if (loaded.alias == saved.alias && loaded.source == saved.source)
                        return loaded;
            } catch (const std::exception&) {
                // Saved all the same; the record as handed in stands.
            }
            return saved;
        },
        [this, done, host](const SSHHost& saved) {
            // The entry this call changed takes the saved record, whose id
            // may differ from it (a renamed configuration host).
            auto hosts = hosts_;
            auto it = host.id.empty() ? hosts.end() : findById(hosts, host);
            if (it == hosts.end())
                it = findById(hosts, saved);
            if (it != hosts.end())
                *it = saved;
            else
                hosts.push_back(saved);
            setHosts(std::move(hosts));
            hostCallSettled();
            notify(tr("Saved \u201c%1\u201d").arg(QString::fromStdString(saved.alias)));
            done.finish();
        },
        [this, done, host, replaced](const QString& message) {
            // Only this call's own edit is taken back, and only while the
            // entry still shows it.
            auto hosts = hosts_;
            if (auto it = findById(hosts, host); replaced && it != hosts.end() && *it == host) {
                *it = *replaced;
                setHosts(std::move(hosts));
            }
            report(message);
            hostCallSettled(true);
            done.finish();
        });
    return done.future();
}

namespace {

// Puts a removed entry back where it was: before the entry that followed it
// then, or at the end when that one is gone too. Nothing happens when an
// entry of the same id is back already.
template <typename Item>
void putBack(std::vector<Item>& list, const Item& item, const std::optional<std::string>& nextId) {
    if (findById(list, item) != list.end())
        return;
    auto next = nextId ? std::find_if(list.begin(), list.end(),
                                      [&](const Item& entry) { return entry.id == *nextId; })
                       : list.end();
    list.insert(next, item);
}

template <typename Item>
std::optional<std::string> idAfter(const std::vector<Item>& list, const std::string& id) {
    auto it =
        std::find_if(list.begin(), list.end(), [&](const Item& entry) { return entry.id == id; });
    if (it == list.end() || std::next(it) == list.end())
        return std::nullopt;
    return std::next(it)->id;
}

} // namespace

// The entry leaves the list at once; a failure puts it back where it was,
// unless an entry of its id is back already.
template <typename Item, typename Work>
QFuture<void> AppModel::removeAtOnce(std::vector<Item> AppModel::*list,
                                     void (AppModel::*setList)(std::vector<Item>),
                                     void (AppModel::*settled)(bool), ListCalls& calls,
                                     const Item& item, Work work) {
    const std::vector<Item>& items = this->*list;
    std::optional<Item> removed;
    if (auto it = findById(items, item); it != items.end())
        removed = *it;
    auto nextId = idAfter(items, item.id);

    auto remaining = items;
    std::erase_if(remaining, [&](const Item& entry) { return entry.id == item.id; });
    (this->*setList)(std::move(remaining));

    Completion done;
    calls.changeStarted();
    inStore(
        work,
        [this, done, settled] {
            (this->*settled)(false);
            done.finish();
        },
        [this, done, list, setList, settled, removed, nextId](const QString& message) {
            if (removed) {
                auto restored = this->*list;
                putBack(restored, *removed, nextId);
                (this->*setList)(std::move(restored));
            }
            report(message);
            (this->*settled)(true);
            done.finish();
        });
    return done.future();
}

QFuture<void> AppModel::deleteHost(SSHHost host) {
    return removeAtOnce(&AppModel::hosts_, &AppModel::setHosts, &AppModel::hostCallSettled,
                        hostCalls_, host, [host, keyMap = keyIdToPath()](VaultStore& store) {
                            VaultRules::deleteHost(store, host, keyMap);
                        });
}

QFuture<void> AppModel::renameKey(SSHKey key) {
    std::optional<std::string> previousName;
    auto keys = keys_;
    if (auto renamed = findById(keys, key); renamed != keys.end()) {
        previousName = renamed->name;
        renamed->name = key.name;
        setKeys(std::move(keys));
    }

    Completion done;
    keyCalls_.changeStarted();
    inStore([key](VaultStore& store) { store.saveKeyMeta(key); },
            [this, done, name = QString::fromStdString(key.name)] {
                keyCallSettled();
                notify(tr("Renamed to \u201c%1\u201d").arg(name));
                done.finish();
            },
            [this, done, key, previousName](const QString& message) {
                auto keys = keys_;
                if (auto it = findById(keys, key);
                    previousName && it != keys.end() && it->name == key.name) {
                    it->name = *previousName;
                    setKeys(std::move(keys));
                }
                report(message);
                keyCallSettled(true);
                done.finish();
            });
    return done.future();
}

QFuture<void> AppModel::deleteKey(SSHKey key) {
    return removeAtOnce(&AppModel::keys_, &AppModel::setKeys, &AppModel::keyCallSettled, keyCalls_,
                        key, [id = key.id](VaultStore& store) { store.deleteKeyMeta(id, {}); });
}

QFuture<void> AppModel::refreshKeys() {
    Completion done;
    const auto read = keyCalls_.readStarted();
    inStore([](VaultStore& store) { return store.rescanKeys(); },
            [this, done, read](std::vector<SSHKey>&& keys) {
                if (keyCalls_.mayApply(read))
                    setKeys(std::move(keys));
                keyCallSettled();
                done.finish();
            },
            [this, done](const QString& message) {
                report(message);
                keyCallSettled(true);
                done.finish();
            });
    return done.future();
}

QFuture<void> AppModel::generateKey(const GenerateKeyOptions& options,
                                    const std::optional<std::string>& displayName) {
    Completion done;
    keyCalls_.changeStarted();
    inStore([options, displayName](
                VaultStore& store) { return VaultRules::generateKey(store, options, displayName); },
            [this, done](const std::vector<SSHKey>& keys) {
                setKeys(keys);
                keyCallSettled();
                done.finish();
            },
            [this, done](const QString& message) {
                keyCallSettled(true);
                done.fail(message);
                // The key may exist although its display name was not saved.
                refreshKeys();
            });
    return done.future();
}

QFuture<void> AppModel::changePassphrase(const ChangePassphraseOptions& options) {
    const auto before = keyWithId(options.keyId);
    const QString name = before ? QString::fromStdString(before->name) : QString();
    const QString outcome =
        options.newPassphrase.empty()             ? tr("Passphrase of \u201c%1\u201d removed")
        : before && before->hasPassphrase == true ? tr("Passphrase of \u201c%1\u201d changed")
                                                  : tr("Passphrase of \u201c%1\u201d set");
    Completion done;
    keyCalls_.changeStarted();
    inStore([options](VaultStore& store) { return store.changePassphrase(options); },
            [this, done, message = outcome.arg(name)](const std::vector<SSHKey>& keys) {
                setKeys(keys);
                keyCallSettled();
                notify(message);
                done.finish();
            },
            [this, done](const QString& message) {
                keyCallSettled(true);
                done.fail(message);
            });
    return done.future();
}

// The defaults are applied as soon as they are saved; the hosts, whose
// effective values may have changed with them, come from a fresh snapshot.
QFuture<void> AppModel::saveDefaults(const Defaults& defaults) {
    auto keyMap = keyIdToPath();
    Completion done;
    hostCalls_.changeStarted();
    auto fail = [this, done](const QString& message) {
        report(message);
        hostCallSettled(true);
        done.finish();
    };
    inStore([defaults,
             keyMap](VaultStore& store) { return store.saveConfigDefaults(defaults, keyMap); },
            [this, done, fail](const Defaults& saved) {
                setDefaults(saved);
                inStore([](VaultStore& store) { return store.loadData(); },
                        [this, done](VaultData&& data) {
                            setHosts(std::move(data.hosts));
                            hostCallSettled();
                            done.finish();
                        },
                        fail);
            },
            fail);
    return done.future();
}

QFuture<std::optional<std::string>> AppModel::preferredTerminal() {
    auto promise = std::make_shared<QPromise<std::optional<std::string>>>();
    promise->start();
    auto answer = [promise](std::optional<std::string> commandLine) {
        promise->addResult(std::move(commandLine));
        promise->finish();
    };
    inStore([](VaultStore& store) { return store.preferredTerminal(); }, answer,
            [answer](const QString&) { answer(std::nullopt); });
    return promise->future();
}

QFuture<void> AppModel::setPreferredTerminal(std::optional<std::string> commandLine) {
    Completion done;
    inStore([commandLine](VaultStore& store) { store.setPreferredTerminal(commandLine); },
            [this, done] {
                notify(tr("Preferences saved"));
                done.finish();
            },
            [this, done](const QString& message) {
                report(message);
                done.finish();
            });
    return done.future();
}

void AppModel::hostCallSettled(bool failed) {
    if (hostCalls_.settled(failed))
        rereadHosts();
}

void AppModel::keyCallSettled(bool failed) {
    if (keyCalls_.settled(failed))
        rereadKeys();
}

// A failed read changes nothing; reading never needs the user's attention.
void AppModel::rereadHosts() {
    const auto read = hostCalls_.rereadStarted();
    inStore(
        readSourced,
        [this, read](SourcedData&& sourced) {
            if (hostCalls_.mayApply(read)) {
                applyConfig(std::move(sourced.data), std::move(sourced.survey));
                emit rereadApplied();
            }
            hostCallSettled();
        },
        [this](const QString&) { hostCallSettled(); });
}

void AppModel::rereadKeys() {
    const auto read = keyCalls_.rereadStarted();
    inStore([](VaultStore& store) { return store.rescanKeys(); },
            [this, read](std::vector<SSHKey>&& keys) {
                if (keyCalls_.mayApply(read)) {
                    setKeys(std::move(keys));
                    emit rereadApplied();
                }
                keyCallSettled();
            },
            [this](const QString&) { keyCallSettled(); });
}

void AppModel::applyConfig(VaultData&& data, SourcesSurvey&& survey) {
    // Before the hosts, which are grouped by these files.
    configFiles_ = data.sources.config.files;
    setHosts(std::move(data.hosts));
    setDefaults(std::move(data.defaults));
    QStringList warnings;
    for (const auto& warning : data.warnings)
        warnings.append(QString::fromStdString(warning));
    setLoadWarnings(std::move(warnings));
    follow(data.sources, std::move(survey));
}

void AppModel::filesChanged(bool keysToo) {
    if (hostCalls_.changedElsewhere())
        rereadHosts();
    if (!keysToo)
        return;
    if (keyCalls_.changedElsewhere())
        rereadKeys();
}

// A store that reads no files (the demo) has nothing to follow.
void AppModel::follow(const DataSources& sources, SourcesSurvey&& survey) {
    if (sources == DataSources{})
        return;
    if (!watcher_) {
        watcher_ = new ChangeWatcher(this);
        connect(watcher_, &ChangeWatcher::changed, this, &AppModel::filesChanged);
    }
    watcher_->follow(sources, std::move(survey));
}

void AppModel::setHosts(std::vector<SSHHost> hosts) {
    if (hosts_ == hosts)
        return;
    hosts_ = std::move(hosts);
    emit hostsChanged();
}

void AppModel::setKeys(std::vector<SSHKey> keys) {
    if (keys_ == keys)
        return;
    keys_ = std::move(keys);
    emit keysChanged();
}

void AppModel::setDefaults(Defaults defaults) {
    if (defaults_ == defaults)
        return;
    defaults_ = std::move(defaults);
    emit defaultsChanged();
}

void AppModel::setLoading(bool isLoading) {
    if (isLoading_ == isLoading)
        return;
    isLoading_ = isLoading;
    emit isLoadingChanged();
}

void AppModel::setLoadWarnings(QStringList warnings) {
    if (loadWarnings_ == warnings)
        return;
    loadWarnings_ = std::move(warnings);
    emit loadWarningsChanged();
}

void AppModel::setAgent(AgentState agent) {
    if (agent_ == agent)
        return;
    agent_ = std::move(agent);
    emit agentChanged();
}

QFuture<void> AppModel::refreshAgent() {
    Completion done;
    const unsigned changes = agentChanges_;
    const unsigned read = ++agentReads_;
    inStore([](VaultStore& store) { return store.agentKeys(); },
            [this, done, changes, read](AgentState&& state) {
                if (changes == agentChanges_ && read > agentReadApplied_) {
                    agentReadApplied_ = read;
                    setAgent(std::move(state));
                }
                done.finish();
            },
            [done](const QString&) { done.finish(); });
    return done.future();
}

void AppModel::agentChangeEnded(const std::optional<SSHKey>& key, bool held) {
    ++agentChanges_;
    if (key && agent_.isRunning()) {
        AgentState changed = agent_;
        if (held)
            changed.fingerprints.insert(key->fingerprint);
        else
            changed.fingerprints.erase(key->fingerprint);
        setAgent(std::move(changed));
    }
    refreshAgent();
}

QFuture<void> AppModel::addKeyToAgent(const AgentAddOptions& options) {
    // One copy of the passphrase, shared by the copies of the call, and
    // wiped on the worker whatever the outcome.
    auto request = std::make_shared<AgentAddOptions>(options);
    const auto key = keyWithId(options.keyId);
    Completion done;
    ++agentChanges_;
    inStore(
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
            agentChangeEnded(key, true);
            if (key)
                notify(
                    tr("\u201c%1\u201d added to the agent").arg(QString::fromStdString(key->name)));
            done.finish();
        },
        [this, done](const QString& message) {
            agentChangeEnded(std::nullopt, false);
            done.fail(message);
        });
    return done.future();
}

QFuture<void> AppModel::removeKeyFromAgent(SSHKey key) {
    Completion done;
    ++agentChanges_;
    inStore(
        [id = key.id](VaultStore& store) { store.removeKeyFromAgent(id); },
        [this, done, key] {
            agentChangeEnded(key, false);
            notify(
                tr("\u201c%1\u201d removed from the agent").arg(QString::fromStdString(key.name)));
            done.finish();
        },
        [this, done](const QString& message) {
            agentChangeEnded(std::nullopt, false);
            report(message);
            done.finish();
        });
    return done.future();
}

void AppModel::notify(const QString& message) {
    emit notified(message);
}

void AppModel::report(const QString& message) {
    if (errorMessage_ == message)
        return;
    errorMessage_ = message;
    emit errorMessageChanged();
}

} // namespace moorkeep
