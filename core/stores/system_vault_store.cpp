#include "stores/system_vault_store.h"

#include "files/paths.h"
#include "keys/key_scanner.h"
#include "openssh/host_effects.h"
#include "openssh/ssh_arguments.h"
#include "reading/config_parser.h"
#include "reading/config_syntax.h"
#include "reading/line_interpreter.h"
#include "stores/store_lock.h"

#include <string_view>
#include <unordered_set>

namespace moorkeep {

SystemVaultStore::SystemVaultStore()
    : SystemVaultStore(Options{}) {}

SystemVaultStore::SystemVaultStore(Options options)
    : homedir_(options.homedir.value_or(paths::currentUserHome()))
    , sshDirectory_(paths::join(homedir_, ".ssh"))
    , configPath_(paths::join(sshDirectory_, "config"))
    , metaStore_(options.userMetaPath.value_or(UserMetaStore::defaultPath(homedir_)))
    , keyToolPath_(std::move(options.keyToolPath))
    , agentToolPath_(std::move(options.agentToolPath))
    , sshPath_(std::move(options.sshPath))
    , backupFolder_(options.backupFolder.value_or(ConfigBackups::defaultFolder(homedir_)))
    , localUser_(config::localUserName()) {}

SystemVaultStore::ChangeLocks::ChangeLocks(const SystemVaultStore& store)
    : config_(store.sshDirectory(), StoreLock::Mode::change, wait, StoreLock::Target::folder)
    , meta_(store.lockPath(), StoreLock::Mode::change, wait) {}

ConfigBackups SystemVaultStore::backups() const {
    return ConfigBackups(backupFolder_);
}

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

config::OpenSSHEvaluator SystemVaultStore::evaluator(const config::TextOverrides& overrides) const {
    return config::OpenSSHEvaluator(config::readDocument(configPath_, homedir_, overrides));
}

ParsedConfig SystemVaultStore::readEvaluated(const KeyPathToId& keyPathToId,
                                             const ConfigParser::AliasFilter* onlyAliases,
                                             ConfigReadProblems& problems, ConfigFiles& met,
                                             const HostLineSeen& seen) const {
    // One reading serves both: the hosts as their blocks give them, then the
    // values OpenSSH uses for them.
    config::ConfigDocument document =
        config::readDocument(configPath_, homedir_, {}, &problems, &met);
    config::LineInterpreter interpreter(keyPathToId, homedir_, onlyAliases);
    for (const auto& line : document.lines) {
        if (line.kind == config::DocumentLine::Kind::includeBegin ||
            line.kind == config::DocumentLine::Kind::includeEnd)
            continue;
        const std::string& file = document.files[line.file];
        if (seen && line.kind == config::DocumentLine::Kind::host)
            seen(config::headerPatterns(line.value()), file);
        interpreter.add(config::writtenKeyword(line), line.value(), file, line.line);
    }
    ParsedConfig config = interpreter.finish();
    if (!config.hosts.empty()) {
        // An index of the blocks by name pays for itself after a few names.
        const config::OpenSSHEvaluator evaluator(std::move(document), config.hosts.size() > 8);
        config::applyEvaluation(config.hosts, evaluator, keyPathToId, homedir_, localUser_);
    }
    return config;
}

ParsedConfig SystemVaultStore::readConfig(const KeyPathToId& keyPathToId) const {
    return ConfigParser::read(configPath_, keyPathToId, homedir_);
}

std::vector<SSHKey> SystemVaultStore::scanWithCache(UserMeta& meta,
                                                    std::vector<std::string>& warnings) const {
    // The scan may run the key tool for a while, so it runs without the lock;
    // only saving a changed cache takes it, into the record as it is then. A
    // cache that did not change (no key and no file is the same as an empty
    // cache) leaves the file alone and the record as first read.
    meta = metaStore_.load(warnings);
    ScanResult scanned = KeyScanner::scan(
        sshDirectory_, meta.keyCache.value_or(std::vector<KeyCacheEntry>{}), keyToolPath_);
    warnings.insert(warnings.end(), scanned.warnings.begin(), scanned.warnings.end());
    if (meta.keyCache.value_or(std::vector<KeyCacheEntry>{}) != scanned.cache) {
        StoreLock lock(lockPath(), StoreLock::Mode::read);
        // Without the lock the cache is not saved, so that no change is
        // dropped; nor into a file that holds no record, which may be
        // another program's work in progress and stays as it is.
        std::optional<UserMeta> record = metaStore_.loadRecord();
        meta = record ? *record : metaStore_.load();
        if (lock.held() && record &&
            meta.keyCache.value_or(std::vector<KeyCacheEntry>{}) != scanned.cache) {
            meta.keyCache = scanned.cache;
            try {
                metaStore_.save(meta);
            } catch (const std::exception&) {
                // The cache only saves time; the next scan rebuilds it.
            }
        }
    }
    return UserMetaStore::merge(scanned.keys, meta.keyMeta);
}

std::vector<SSHKey> SystemVaultStore::rescanKeys() {
    UserMeta meta;
    std::vector<std::string> warnings;
    return scanWithCache(meta, warnings);
}

SystemVaultStore::AliasesRead
SystemVaultStore::readAliases(const ConfigParser::AliasFilter& aliases,
                              const KeyPathToId& keyPathToId) const {
    AliasesRead read;
    read.config = readEvaluated(keyPathToId, &aliases, read.problems, read.met,
                                [&](std::string_view value, const std::string& file) {
                                    if (aliases.contains(value))
                                        read.blockFiles.try_emplace(std::string(value), file);
                                });
    return read;
}

void SystemVaultStore::keepHeldRead(const ConfigParser::AliasFilter& aliases,
                                    const KeyPathToId& keyPathToId, const AliasesRead& read) const {
    const std::uint64_t hold = StoreLock::holdOf(sshDirectory_);
    if (hold == 0)
        return;
    HeldRead held{hold, aliases, keyPathToId, read, {}};
    for (const auto& path : read.met.files)
        held.stamps.emplace_back(path, files::stampOf(path));
    for (const auto& path : read.met.folders)
        held.stamps.emplace_back(path, files::stampOf(path));
    std::lock_guard lock(heldReadMutex_);
    heldRead_ = std::move(held);
}

std::optional<SystemVaultStore::AliasesRead>
SystemVaultStore::heldReadFor(const std::string& alias, const KeyPathToId& keyPathToId) const {
    std::lock_guard lock(heldReadMutex_);
    if (!heldRead_ || heldRead_->hold != StoreLock::holdOf(sshDirectory_) ||
        !heldRead_->aliases.contains(alias) || heldRead_->keyPathToId != keyPathToId)
        return std::nullopt;
    for (const auto& [path, stamp] : heldRead_->stamps)
        if (files::stampOf(path) != stamp)
            return std::nullopt;
    return heldRead_->read;
}

SystemVaultStore::ConfigBlock
SystemVaultStore::readConfigBlock(const std::string& alias, const KeyPathToId& keyPathToId) const {
    std::optional<AliasesRead> held = heldReadFor(alias, keyPathToId);
    AliasesRead read = held ? std::move(*held) : readAliases({alias}, keyPathToId);
    ConfigBlock block{std::move(read.config), std::nullopt, std::move(read.problems)};
    // A held read may have kept other aliases too.
    std::erase_if(block.config.hosts, [&](const SSHHost& host) { return host.alias != alias; });
    if (auto file = read.blockFiles.find(alias); file != read.blockFiles.end())
        block.file = file->second;
    return block;
}

VaultData SystemVaultStore::loadData() {
    return load(nullptr);
}

VaultData SystemVaultStore::loadDataForAliases(const std::set<std::string, std::less<>>& aliases) {
    return load(&aliases);
}

VaultData SystemVaultStore::load(const ConfigParser::AliasFilter* onlyAliases) {
    UserMeta meta;
    VaultData data;
    data.keys = scanWithCache(meta, data.warnings);

    KeyPathToId keyPathToId;
    for (const auto& key : data.keys)
        keyPathToId[expandHome(key.path)] = key.id;
    ConfigReadProblems problems;
    ParsedConfig config;
    if (onlyAliases) {
        AliasesRead read = readAliases(*onlyAliases, keyPathToId);
        keepHeldRead(*onlyAliases, keyPathToId, read);
        config = std::move(read.config);
        problems = std::move(read.problems);
        data.sources.config = std::move(read.met);
    } else {
        config = readEvaluated(keyPathToId, nullptr, problems, data.sources.config, {});
    }
    data.sources.keyFolder = sshDirectory_;
    data.sources.metaFile = metaStore_.path();
    for (const auto& problem : problems)
        data.warnings.push_back(problem.message());
    std::string ssh;
    if (auto reason = uncheckedReason(data.sources.config.files, ssh))
        data.warnings.push_back(*reason);

    std::vector<SSHHost>& stored = meta.hosts;
    std::unordered_set<std::string_view> storedAliases;
    for (auto& host : stored) {
        host.source = HostSource::user;
        storedAliases.insert(host.alias);
    }
    if (!storedAliases.empty())
        std::erase_if(config.hosts,
                      [&](const SSHHost& host) { return storedAliases.contains(host.alias); });
    if (onlyAliases)
        std::erase_if(stored,
                      [&](const SSHHost& host) { return !onlyAliases->contains(host.alias); });
    data.hosts = std::move(config.hosts);
    data.hosts.insert(data.hosts.end(), std::make_move_iterator(stored.begin()),
                      std::make_move_iterator(stored.end()));
    data.defaults = std::move(config.defaults);
    return data;
}

} // namespace moorkeep
