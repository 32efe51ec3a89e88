#include "stores/vault_rules.h"

#include "keys/key_file_name.h"
#include "model/vault_error.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace moorkeep::VaultRules {
namespace {

// Each key the host uses once.
std::set<std::string> keysOf(const SSHHost& host) {
    std::set<std::string> ids(host.facts.keyIds.begin(), host.facts.keyIds.end());
    if (host.keyId)
        ids.insert(*host.keyId);
    return ids;
}

} // namespace

KeyIdToPath keyIdToPath(const std::vector<SSHKey>& keys) {
    KeyIdToPath map;
    for (const auto& key : keys)
        map[key.id] = key.path;
    return map;
}

std::optional<std::string> originalAlias(const std::vector<SSHHost>& hosts, const std::string& id) {
    auto it =
        std::find_if(hosts.begin(), hosts.end(), [&](const SSHHost& h) { return h.id == id; });
    if (it == hosts.end())
        return std::nullopt;
    return it->alias;
}

SSHHost saveHost(VaultStore& store, const SSHHost& host,
                 const std::optional<std::string>& originalAlias, const KeyIdToPath& keyIdToPath) {
    if (host.source == HostSource::config)
        return store.saveConfigHost(host, originalAlias, keyIdToPath);
    return store.saveHost(host, keyIdToPath);
}

void deleteHost(VaultStore& store, const SSHHost& host, const KeyIdToPath& keyIdToPath) {
    if (host.source == HostSource::user)
        store.deleteHost(host.id, keyIdToPath);
    else
        store.deleteConfigHost(host);
}

std::vector<SSHKey> generateKey(VaultStore& store, const GenerateKeyOptions& options,
                                const std::optional<std::string>& displayName) {
    std::vector<SSHKey> keys = store.generateKey(options);
    if (!displayName || displayName->empty())
        return keys;
    // The file name the system store really used; a store that keeps the
    // name as typed (the demo store) is matched by the name itself.
    auto endsWithFile = [](const SSHKey& k, const std::string& file) {
        const std::string suffix = "/" + file;
        return k.path.size() >= suffix.size() &&
               k.path.compare(k.path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    auto it = std::find_if(keys.begin(), keys.end(), [&](const SSHKey& k) {
        return endsWithFile(k, sanitizeKeyFileName(options.name));
    });
    if (it == keys.end())
        it = std::find_if(keys.begin(), keys.end(),
                          [&](const SSHKey& k) { return endsWithFile(k, options.name); });
    if (it == keys.end())
        return keys;
    SSHKey named = *it;
    named.name = *displayName;
    try {
        store.saveKeyMeta(named);
    } catch (const std::exception& reason) {
        // The key exists now; only its name is missing. Saying "failed"
        // would send the user to make it again, which "already exists".
        throw std::runtime_error("The key " + it->path +
                                 " was made, but its display name was not saved: " + reason.what());
    }
    for (auto& key : keys)
        if (key.id == named.id)
            key.name = *displayName;
    return keys;
}

std::vector<SSHHost> hostsUsingKey(const std::vector<SSHHost>& hosts, const std::string& keyId) {
    std::vector<SSHHost> out;
    for (const auto& host : hosts)
        if (keysOf(host).contains(keyId))
            out.push_back(host);
    return out;
}

std::unordered_map<std::string, int> usageCounts(const std::vector<SSHHost>& hosts) {
    std::unordered_map<std::string, int> counts;
    for (const auto& host : hosts)
        for (const auto& id : keysOf(host))
            ++counts[id];
    return counts;
}

void refuseIfUsed(const VaultData& data, const std::string& keyId) {
    const std::vector<SSHHost> users = hostsUsingKey(data.hosts, keyId);
    if (users.empty())
        return;
    auto key = std::find_if(data.keys.begin(), data.keys.end(),
                            [&](const SSHKey& k) { return k.id == keyId; });
    std::vector<std::string> aliases;
    for (const auto& host : users)
        aliases.push_back(host.alias);
    throw VaultError::keyInUse(key != data.keys.end() ? key->name : keyId, aliases);
}

} // namespace moorkeep::VaultRules
