#include "stores/demo_vault_store.h"

#include "keys/agent_tool.h"
#include "launch/terminal_choice.h"
#include "model/agent_error.h"
#include "model/uuid.h"
#include "model/vault_error.h"
#include "stores/demo_sample_data.h"
#include "stores/vault_rules.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <string_view>

namespace moorkeep {
namespace {

std::string todayUtc() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

template <typename T> auto withId(std::vector<T>& items, const std::string& id) {
    return std::find_if(items.begin(), items.end(), [&](const T& item) { return item.id == id; });
}

template <typename T> void eraseWithId(std::vector<T>& items, const std::string& id) {
    std::erase_if(items, [&](const T& item) { return item.id == id; });
}

} // namespace

DemoVaultStore::DemoVaultStore()
    : hosts_(demoSampleData().hosts)
    , keys_(demoSampleData().keys)
    , defaults_(demoSampleData().defaults)
    , agent_{{"2", std::nullopt}, {"4", std::nullopt}}
    , knownHostKeys_(demoKnownHostKeys()) {}

VaultData DemoVaultStore::loadData() {
    std::lock_guard lock(mutex_);
    VaultData data;
    data.keys = keys_;
    data.hosts = hosts_;
    data.defaults = defaults_;
    return data;
}

SSHHost DemoVaultStore::saveHost(const SSHHost& host, const KeyIdToPath&) {
    std::lock_guard lock(mutex_);
    SSHHost stored = host;
    if (stored.id.empty()) {
        stored.id = randomUuid();
        stored.source = HostSource::user;
    }
    if (auto it = withId(hosts_, stored.id); it != hosts_.end())
        *it = stored;
    else
        hosts_.push_back(stored);
    return stored;
}

SSHHost DemoVaultStore::saveConfigHost(const SSHHost& host, const std::optional<std::string>&,
                                       const KeyIdToPath&) {
    std::lock_guard lock(mutex_);
    if (auto it = withId(hosts_, host.id); it != hosts_.end())
        *it = host;
    return host;
}

void DemoVaultStore::deleteHost(const std::string& id, const KeyIdToPath&) {
    std::lock_guard lock(mutex_);
    eraseWithId(hosts_, id);
}

void DemoVaultStore::deleteConfigHost(const SSHHost& host) {
    std::lock_guard lock(mutex_);
    eraseWithId(hosts_, host.id);
}

void DemoVaultStore::saveKeyMeta(const SSHKey& key) {
    std::lock_guard lock(mutex_);
    if (auto it = withId(keys_, key.id); it != keys_.end())
        it->name = key.name;
}

void DemoVaultStore::deleteKeyMeta(const std::string& id, const DeleteKeyOptions& options) {
    std::lock_guard lock(mutex_);
    if (!options.evenIfUsed) {
        VaultData data;
        data.keys = keys_;
        data.hosts = hosts_;
        VaultRules::refuseIfUsed(data, id);
    }
    eraseWithId(keys_, id);
}

std::vector<SSHKey> DemoVaultStore::rescanKeys() {
    std::lock_guard lock(mutex_);
    return keys_;
}

std::vector<SSHKey> DemoVaultStore::generateKey(const GenerateKeyOptions& options) {
    std::lock_guard lock(mutex_);
    SSHKey key;
    key.id = randomUuid();
    key.name = options.name;
    key.path = "~/.ssh/" + options.name;
    key.type = options.type;
    key.fingerprint = "SHA256:demo-" + randomUuid().substr(0, 8);
    key.publicKey = options.type + " AAAA...demo " + options.comment.value_or(options.name);
    key.hasPassphrase = options.passphrase && !options.passphrase->empty();
    key.createdAt = todayUtc();
    keys_.push_back(key);
    return keys_;
}

std::vector<SSHKey> DemoVaultStore::changePassphrase(const ChangePassphraseOptions& options) {
    std::lock_guard lock(mutex_);
    if (auto it = withId(keys_, options.keyId); it != keys_.end())
        it->hasPassphrase = !options.newPassphrase.empty();
    return keys_;
}

Defaults DemoVaultStore::saveConfigDefaults(const Defaults& defaults, const KeyIdToPath&) {
    std::lock_guard lock(mutex_);
    defaults_ = defaults;
    return defaults_;
}

std::optional<std::string> DemoVaultStore::preferredTerminal() {
    std::lock_guard lock(mutex_);
    return preferredTerminal_;
}

void DemoVaultStore::setPreferredTerminal(const std::optional<std::string>& commandLine) {
    auto checked = TerminalChoice::checkedPreference(commandLine);
    std::lock_guard lock(mutex_);
    preferredTerminal_ = std::move(checked);
}

const SSHKey& DemoVaultStore::keyWithId(const std::string& id) const {
    auto it =
        std::find_if(keys_.begin(), keys_.end(), [&](const SSHKey& key) { return key.id == id; });
    if (it == keys_.end())
        throw VaultError::keyNotFound(id);
    return *it;
}

AgentState DemoVaultStore::agentKeys() {
    std::lock_guard lock(mutex_);
    std::erase_if(agent_, [now = Clock::now()](const auto& entry) {
        return entry.second && *entry.second <= now;
    });
    AgentState state;
    for (const SSHKey& key : keys_)
        if (agent_.contains(key.id))
            state.fingerprints.insert(key.fingerprint);
    return state;
}

// The sample keys have no passphrase to check: any will do for a protected
// one, but not none.
void DemoVaultStore::addKeyToAgent(const AgentAddOptions& options) {
    AgentTool::checkRequest(options.passphrase, options.lifetimeSeconds);
    std::lock_guard lock(mutex_);
    const SSHKey& key = keyWithId(options.keyId);
    if (key.hasPassphrase == true && options.passphrase.empty())
        throw AgentError::wrongPassphrase(key.path, false);
    std::optional<Clock::time_point> until;
    if (options.lifetimeSeconds)
        until = Clock::now() + std::chrono::seconds(*options.lifetimeSeconds);
    agent_[key.id] = until;
}

void DemoVaultStore::removeKeyFromAgent(const std::string& keyId) {
    std::lock_guard lock(mutex_);
    const SSHKey& key = keyWithId(keyId);
    if (agent_.erase(key.id) == 0)
        throw AgentError::failed("the agent does not hold " + key.path);
}

KnownHostKeys DemoVaultStore::knownHostKeys(const std::string& name) {
    std::lock_guard lock(mutex_);
    KnownHostKeys keys;
    keys.name = keys.lookupName = name;
    keys.userFiles = {"~/.ssh/known_hosts"};
    auto host = std::find_if(hosts_.begin(), hosts_.end(),
                             [&](const SSHHost& h) { return h.alias == name; });
    if (host != hosts_.end())
        keys.lookupName = host->port == 22
                              ? host->hostname
                              : "[" + host->hostname + "]:" + std::to_string(host->port);
    if (auto known = knownHostKeys_.find(name); known != knownHostKeys_.end())
        keys.keys = known->second;
    return keys;
}

ForgottenHostKeys DemoVaultStore::forgetHostKeys(const std::string& name) {
    std::lock_guard lock(mutex_);
    ForgottenHostKeys forgotten;
    if (auto known = knownHostKeys_.find(name); known != knownHostKeys_.end()) {
        const auto removed = std::erase_if(known->second, std::mem_fn(&KnownHostKey::removable));
        if (removed > 0)
            forgotten.files.push_back({"~/.ssh/known_hosts", removed, "~/.ssh/known_hosts.old"});
    }
    return forgotten;
}

bool demoRequested(const char* moorkeepDemo) {
    return moorkeepDemo && std::string_view(moorkeepDemo) == "1";
}

} // namespace moorkeep
