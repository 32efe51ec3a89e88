#include "host_changes.h"

#include "model/app_model.h"
#include "model/list_reads.h"
#include "model/store_calls.h"
#include "openssh/ignored_change.h"
#include "stores/vault_rules.h"

#include <memory>

namespace moorkeep {

namespace {

// The host as saved, listed as the next load gives it (its id, and values
// the defaults fill in), so reading the file again changes nothing.
SSHHost saveAndReread(VaultStore& store, const SSHHost& host,
                      const std::optional<std::string>& originalAlias, const KeyIdToPath& keyMap,
                      std::optional<std::size_t> moveAbove) {
    SSHHost saved = moveAbove ? store.moveAndSaveConfigHost(host, originalAlias, keyMap, *moveAbove)
                              : VaultRules::saveHost(store, host, originalAlias, keyMap);
    try {
        for (auto& loaded : store.loadDataForAliases({saved.alias}).hosts)
            if (loaded.alias == saved.alias && loaded.source == saved.source)
                return loaded;
    } catch (const std::exception&) {
        // Saved all the same; the record as handed in stands.
    }
    return saved;
}

} // namespace

HostChanges::HostChanges(AppModel& model, StoreCalls& store, ListReads& reads)
    : model_(model)
    , store_(store)
    , reads_(reads) {}

QFuture<void> HostChanges::saveHost(SSHHost host, std::optional<std::size_t> moveAbove,
                                    QString name) {
    if (name.isEmpty())
        name = (host.id.empty() ? AppModel::tr("Add Host \u201c%1\u201d")
                : moveAbove     ? AppModel::tr("Move Host \u201c%1\u201d")
                                : AppModel::tr("Edit Host \u201c%1\u201d"))
                   .arg(QString::fromStdString(host.alias));
    auto keyMap = model_.keyIdToPath();
    auto originalAlias = VaultRules::originalAlias(model_.hosts(), host.id);

    // A new host (empty id) only appears once the store has given it an id.
    std::optional<SSHHost> replaced;
    auto hosts = model_.hosts();
    if (auto edited = findById(hosts, host); !host.id.empty() && edited != hosts.end()) {
        replaced = *edited;
        *edited = host;
        model_.setHosts(std::move(hosts));
    }

    Completion done;
    reads_.hostCalls().changeStarted();
    // Set on the worker before the failure is handed over.
    auto ignored = std::make_shared<std::optional<IgnoredChange::Winner>>();
    store_.change(
        name,
        [host, originalAlias, keyMap, moveAbove, ignored](VaultStore& store) {
            try {
                return saveAndReread(store, host, originalAlias, keyMap, moveAbove);
            } catch (const IgnoredChange& refusal) {
                *ignored = refusal.winner();
                throw;
            }
        },
        [this, done, host](const SSHHost& saved) {
            applySaved(host, saved);
            reads_.hostCallSettled();
            model_.notify(
                AppModel::tr("Saved \u201c%1\u201d").arg(QString::fromStdString(saved.alias)));
            done.finish();
        },
        [this, done, host, replaced, ignored](const QString& message) {
            takeBack(host, replaced);
            // The dialog that asked offers the way out.
            if (*ignored)
                done.fail(message, *ignored);
            else
                model_.fail(done, message);
            reads_.hostCallSettled(true);
        });
    return done.future();
}

// The saved record's id may differ from the entry's (a renamed
// configuration host).
void HostChanges::applySaved(const SSHHost& host, const SSHHost& saved) {
    auto hosts = model_.hosts();
    auto it = host.id.empty() ? hosts.end() : findById(hosts, host);
    if (it == hosts.end())
        it = findById(hosts, saved);
    if (it != hosts.end())
        *it = saved;
    else
        hosts.push_back(saved);
    model_.setHosts(std::move(hosts));
}

void HostChanges::takeBack(const SSHHost& host, const std::optional<SSHHost>& replaced) {
    auto hosts = model_.hosts();
    if (auto it = findById(hosts, host); replaced && it != hosts.end() && *it == host) {
        *it = *replaced;
        model_.setHosts(std::move(hosts));
    }
}

QFuture<void> HostChanges::deleteHost(const SSHHost& host) {
    return removeAtOnce(
        store_, hostList(), host,
        [host, keyMap = model_.keyIdToPath()](VaultStore& store) {
            VaultRules::deleteHost(store, host, keyMap);
        },
        AppModel::tr("Delete Host \u201c%1\u201d").arg(QString::fromStdString(host.alias)));
}

QFuture<void> HostChanges::saveDefaults(const Defaults& defaults) {
    auto keyMap = model_.keyIdToPath();
    Completion done;
    reads_.hostCalls().changeStarted();
    auto fail = [this, done](const QString& message) {
        model_.fail(done, message);
        reads_.hostCallSettled(true);
    };
    store_.change(
        AppModel::tr("Change Defaults"),
        [defaults, keyMap](VaultStore& store) {
            return store.saveConfigDefaults(defaults, keyMap);
        },
        [this, done, fail](const Defaults& saved) {
            model_.setDefaults(saved);
            store_.read([](VaultStore& store) { return store.loadData(); },
                        [this, done](VaultData&& data) {
                            model_.setHosts(std::move(data.hosts));
                            reads_.hostCallSettled();
                            done.finish();
                        },
                        fail);
        },
        fail);
    return done.future();
}

PublishedList<SSHHost> HostChanges::hostList() {
    return {.items = [this]() -> const std::vector<SSHHost>& { return model_.hosts(); },
            .set = [this](std::vector<SSHHost> hosts) { model_.setHosts(std::move(hosts)); },
            .calls = reads_.hostCalls(),
            .settled = [this](bool failed) { reads_.hostCallSettled(failed); },
            .failed = [this](const Completion& done,
                             const QString& message) { model_.fail(done, message); }};
}

} // namespace moorkeep
