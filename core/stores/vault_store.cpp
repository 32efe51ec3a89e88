#include "stores/vault_store.h"

#include "files/paths.h"
#include "model/agent_error.h"
#include "openssh/host_effects.h"

#include <stdexcept>

namespace moorkeep {

std::string StoreFiles::displayPath(const std::string& path) const {
    return paths::tilded(path, home);
}

std::string StoreFiles::expandHome(const std::string& path) const {
    if (!path.empty() && path.front() == '~')
        return home + path.substr(1);
    return path;
}

VaultData VaultStore::loadDataForAliases(const std::set<std::string, std::less<>>& aliases) {
    VaultData data = loadData();
    std::erase_if(data.hosts, [&](const SSHHost& host) { return !aliases.contains(host.alias); });
    return data;
}

VaultData VaultStore::loadDataHandingOverHosts(const HostSink& sink, bool withFacts) {
    // Every host is handed over, which keeps them in order whatever their
    // sources.
    VaultData data = loadData();
    for (SSHHost& host : data.hosts) {
        if (!withFacts) {
            HostFacts placeOnly;
            placeOnly.block = std::move(host.facts.block);
            host.facts = std::move(placeOnly);
        }
        sink(0, std::move(host));
    }
    data.hosts.clear();
    return data;
}

std::optional<std::string> VaultStore::preferredTerminal() {
    return std::nullopt;
}

void VaultStore::setPreferredTerminal(const std::optional<std::string>&) {
    throw std::runtime_error("This store keeps no preferences");
}

namespace {

constexpr const char* noAgent = "No ssh-agent is running (this store has none)";

} // namespace

AgentState VaultStore::agentKeys() {
    return {.problem = noAgent, .fingerprints = {}};
}

void VaultStore::addKeyToAgent(const AgentAddOptions&) {
    throw AgentError::notRunning(noAgent);
}

void VaultStore::removeKeyFromAgent(const std::string&) {
    throw AgentError::notRunning(noAgent);
}

std::optional<StoreFiles> VaultStore::storeFiles() const {
    return std::nullopt;
}

std::optional<config::OpenSSHEvaluator> VaultStore::evaluator() {
    return std::nullopt;
}

std::string VaultStore::localUser() const {
    return config::localUserName();
}

void VaultStore::moveHostBlock(const std::string&, const std::string&, std::size_t) {
    throw std::runtime_error("This store has no configuration file to move blocks in");
}

std::vector<SSHKey> VaultStore::recreatePublicKey(const RecreatePublicKeyOptions&) {
    throw std::runtime_error("This store keeps no key files to rebuild");
}

std::vector<ConfigBackup> VaultStore::listBackups() {
    return {};
}

void VaultStore::restoreBackup(const std::string&, RestoreCheck) {
    throw std::runtime_error("This store keeps no backups to put back");
}

std::optional<BackupTexts> VaultStore::backupTexts(const std::string&) {
    return std::nullopt;
}

std::vector<ConfigChange> VaultStore::takeConfigChanges() {
    return {};
}

void VaultStore::revertConfigChanges(const std::vector<ConfigChange>&) {
    throw std::runtime_error("This store keeps no backups to put back");
}

SSHHost VaultStore::moveAndSaveConfigHost(const SSHHost&, const std::optional<std::string>&,
                                          const KeyIdToPath&, std::size_t) {
    throw std::runtime_error("This store has no files to move blocks in");
}

Diagnosis VaultStore::diagnose() {
    return {};
}

std::optional<Finding> VaultStore::refusal() {
    return std::nullopt;
}

void VaultStore::applyFix(const FindingFix&) {
    throw std::runtime_error("This store has no files to change");
}

KnownHostKeys VaultStore::knownHostKeys(const std::string& name) {
    KnownHostKeys keys;
    keys.name = keys.lookupName = name;
    return keys;
}

ForgottenHostKeys VaultStore::forgetHostKeys(const std::string&) {
    throw std::runtime_error("This store has no known_hosts files to forget keys in");
}

std::unique_ptr<VaultStore::ChangeHold> VaultStore::holdChanges() {
    return nullptr;
}

void VaultStore::expectChange(const std::string&) {}

std::vector<std::string> VaultStore::takeNotices() {
    return {};
}

} // namespace moorkeep
