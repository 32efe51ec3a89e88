#include "app_model.h"

#include "model/completion.h"
#include "stores/vault_rules.h"

#include <algorithm>

namespace moorkeep {

AppModel::AppModel(std::shared_ptr<VaultStore> store, QObject* parent)
    : QObject(parent)
    , store_(store,
             [this](const QStringList& notices, const QString& name,
                    const std::vector<ConfigChange>& changes) {
                 setChangeNotices(notices);
                 undo_.record(name, changes);
             })
    , reads_(*this, store_)
    , undo_(*this, store_, reads_)
    , hostChanges_(*this, store_, reads_)
    , keyChanges_(*this, store_, reads_)
    , agentCalls_(*this, store_)
    , preferenceCalls_(*this, store_)
    , diagnosis_(std::move(store), *this)
    , knownHostCalls_(*this, store_) {}

// The store calls end with store_, the last part to go.
AppModel::~AppModel() = default;

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

void AppModel::notify(const QString& message) {
    emit notified(message);
}

std::optional<SSHKey> AppModel::keyWithId(const std::string& id) const {
    auto it = std::find_if(keys_.begin(), keys_.end(), [&](const SSHKey& k) { return k.id == id; });
    if (it == keys_.end())
        return std::nullopt;
    return *it;
}

const SSHHost* AppModel::hostWithId(const std::optional<std::string>& id) const {
    if (!id)
        return nullptr;
    auto it =
        std::find_if(hosts_.begin(), hosts_.end(), [&](const SSHHost& h) { return h.id == *id; });
    return it == hosts_.end() ? nullptr : &*it;
}

std::vector<SSHHost> AppModel::hostsUsingKey(const std::string& keyId) const {
    return VaultRules::hostsUsingKey(hosts_, keyId);
}

KeyIdToPath AppModel::keyIdToPath() const {
    return VaultRules::keyIdToPath(keys_);
}

QFuture<void> AppModel::load() {
    return reads_.load();
}

QFuture<void> AppModel::saveHost(SSHHost host, std::optional<std::size_t> moveAbove,
                                 const QString& name) {
    return hostChanges_.saveHost(std::move(host), moveAbove, name);
}

QFuture<void> AppModel::deleteHost(SSHHost host) {
    return hostChanges_.deleteHost(host);
}

QFuture<void> AppModel::renameKey(SSHKey key) {
    return keyChanges_.renameKey(key);
}

QFuture<void> AppModel::deleteKey(SSHKey key) {
    return keyChanges_.deleteKey(key);
}

QFuture<void> AppModel::refreshKeys() {
    return reads_.refreshKeys();
}

QFuture<void> AppModel::generateKey(const GenerateKeyOptions& options,
                                    const std::optional<std::string>& displayName) {
    return keyChanges_.generateKey(options, displayName);
}

QFuture<void> AppModel::changePassphrase(const ChangePassphraseOptions& options) {
    return keyChanges_.changePassphrase(options);
}

QFuture<void> AppModel::recreatePublicKey(const RecreatePublicKeyOptions& options,
                                          ShownBy shownBy) {
    return keyChanges_.recreatePublicKey(options, shownBy);
}

QFuture<void> AppModel::saveDefaults(const Defaults& defaults) {
    return hostChanges_.saveDefaults(defaults);
}

QFuture<std::optional<std::string>> AppModel::preferredTerminal() {
    return preferenceCalls_.preferredTerminal();
}

QFuture<void> AppModel::setPreferredTerminal(std::optional<std::string> commandLine) {
    return preferenceCalls_.setPreferredTerminal(commandLine);
}

QFuture<KnownHostKeys> AppModel::knownHostKeys(const std::string& name) {
    return knownHostCalls_.read(name);
}

QFuture<void> AppModel::forgetHostKeys(const std::string& name) {
    return knownHostCalls_.forget(name);
}

QFuture<std::vector<ConfigBackup>> AppModel::backups() {
    return undo_.backups();
}

QFuture<std::optional<std::vector<BackupDiff::Line>>> AppModel::backupDiff(const std::string& id) {
    return undo_.backupDiff(id);
}

QFuture<void> AppModel::restoreBackup(const ConfigBackup& backup) {
    return undo_.restore(backup);
}

QFuture<void> AppModel::refreshAgent() {
    return agentCalls_.refreshAgent();
}

QFuture<void> AppModel::addKeyToAgent(const AgentAddOptions& options) {
    return agentCalls_.addKeyToAgent(options);
}

QFuture<void> AppModel::removeKeyFromAgent(SSHKey key) {
    return agentCalls_.removeKeyFromAgent(key);
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

void AppModel::setChangeNotices(const QStringList& notices) {
    if (changeNotices_ == notices)
        return;
    changeNotices_ = notices;
    emit changeNoticesChanged();
}

void AppModel::setAgent(AgentState agent) {
    if (agent_ == agent)
        return;
    agent_ = std::move(agent);
    emit agentChanged();
}

void AppModel::fail(const Completion& done, const QString& message) {
    if (done.shownBy() == ShownBy::window && errorMessage_ != message) {
        errorMessage_ = message;
        emit errorMessageChanged();
    }
    done.fail(message);
}

} // namespace moorkeep
