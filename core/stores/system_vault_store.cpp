#include "stores/system_vault_store.h"

#include "config/config_parser.h"
#include "files/paths.h"
#include "keys/key_scanner.h"
#include "stores/store_lock.h"

#include <algorithm>

namespace moorkeep {

SystemVaultStore::SystemVaultStore()
    : SystemVaultStore(Options{}) {}

SystemVaultStore::SystemVaultStore(Options options)
    : homedir_(options.homedir.value_or(paths::currentUserHome()))
    , sshDirectory_(paths::join(homedir_, ".ssh"))
    , configPath_(paths::join(sshDirectory_, "config"))
    , metaStore_(options.userMetaPath.value_or(UserMetaStore::defaultPath(homedir_)))
    , keyToolPath_(std::move(options.keyToolPath)) {}

std::string SystemVaultStore::expandHome(const std::string& path) const {
    if (!path.empty() && path.front() == '~')
        return homedir_ + path.substr(1);
    return path;
}

std::string SystemVaultStore::lockPath() const {
    return metaStore_.path() + ".lock";
}

SystemVaultStore::KeyPathToId SystemVaultStore::invert(const KeyIdToPath& keyIdToPath) const {
    KeyPathToId keyPathToId;
    for (const auto& [id, path] : keyIdToPath)
        keyPathToId[expandHome(path)] = id;
    return keyPathToId;
}

std::vector<ConfigLineSource> SystemVaultStore::readConfigLines() const {
    return ConfigParser::readLines(configPath_, homedir_);
}

std::vector<ConfigLineSource>
SystemVaultStore::readConfigLines(ConfigReadProblems& problems) const {
    return ConfigParser::readLines(configPath_, homedir_, problems);
}

ParsedConfig SystemVaultStore::readConfig(const KeyPathToId& keyPathToId) const {
    return ConfigParser::parse(readConfigLines(), keyPathToId, homedir_);
}

std::vector<SSHKey> SystemVaultStore::scanWithCache(UserMeta& meta,
                                                    std::vector<std::string>& warnings) const {
    // The scan may run the key tool for a while, so it runs without the lock;
    // only saving the new cache takes it, into the record as it is then.
    ScanResult scanned = KeyScanner::scan(
        sshDirectory_, metaStore_.load(warnings).keyCache.value_or(std::vector<KeyCacheEntry>{}),
        keyToolPath_);
    warnings.insert(warnings.end(), scanned.warnings.begin(), scanned.warnings.end());
    StoreLock lock(lockPath(), StoreLock::Mode::read);
    meta = metaStore_.load();
    // Without the lock the cache is not saved, so that no change is dropped.
    // A file is only rewritten when the cache really changed: no key and no
    // file is the same as an empty cache.
    if (lock.held() && meta.keyCache.value_or(std::vector<KeyCacheEntry>{}) != scanned.cache) {
        meta.keyCache = scanned.cache;
        try {
            metaStore_.save(meta);
        } catch (const std::exception&) {
            // The cache only saves time; the next scan rebuilds it.
        }
    }
    return UserMetaStore::merge(scanned.keys, meta.keyMeta);
}

std::vector<SSHKey> SystemVaultStore::rescanKeys() {
    UserMeta meta;
    std::vector<std::string> warnings;
    return scanWithCache(meta, warnings);
}

VaultData SystemVaultStore::loadData() {
    UserMeta meta;
    VaultData data;
    data.keys = scanWithCache(meta, data.warnings);

    KeyPathToId keyPathToId;
    for (const auto& key : data.keys)
        keyPathToId[expandHome(key.path)] = key.id;
    ConfigReadProblems problems;
    ParsedConfig config = ConfigParser::parse(readConfigLines(problems), keyPathToId, homedir_);
    for (const auto& problem : problems)
        data.warnings.push_back(problem.message());

    std::vector<SSHHost> stored = meta.hosts;
    for (auto& host : stored)
        host.source = HostSource::user;
    for (auto& host : config.hosts) {
        bool hidden = std::any_of(stored.begin(), stored.end(),
                                  [&](const SSHHost& s) { return s.alias == host.alias; });
        if (!hidden)
            data.hosts.push_back(std::move(host));
    }
    data.hosts.insert(data.hosts.end(), stored.begin(), stored.end());
    data.defaults = config.defaults;
    return data;
}

} // namespace moorkeep
