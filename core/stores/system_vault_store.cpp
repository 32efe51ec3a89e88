#include "stores/system_vault_store.h"

#include "files/background_work.h"
#include "files/paths.h"
#include "keys/configured_certificates.h"
#include "knownhosts/known_host_reading.h"
#include "knownhosts/known_hosts_lookup.h"
#include "openssh/host_effects.h"
#include "stores/store_lock.h"
#include "stores/vault_rules.h"

#include <exception>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace moorkeep {
namespace {

StorePlaces placesOf(SystemVaultStore::Options options) {
    const std::string homedir = options.homedir.value_or(paths::currentUserHome());
    const std::string sshDirectory = paths::join(homedir, ".ssh");
    return {homedir,
            sshDirectory,
            paths::join(sshDirectory, "config"),
            UserMetaStore(options.userMetaPath.value_or(UserMetaStore::defaultPath(homedir))),
            std::move(options.keyToolPath),
            std::move(options.agentToolPath),
            std::move(options.sshPath),
            options.backupFolder.value_or(ConfigBackups::defaultFolder(homedir)),
            config::localUserName()};
}

} // namespace

SystemVaultStore::SystemVaultStore()
    : SystemVaultStore(Options{}) {}

SystemVaultStore::SystemVaultStore(Options options)
    : places_(placesOf(std::move(options)))
    , guard_(places_)
    , reader_(places_)
    , hostChanges_(places_, reader_, guard_)
    , keyPairs_(places_)
    , metadata_(places_)
    , agent_(places_, keyPairs_)
    , restorer_(places_, guard_) {}

SystemVaultStore::ChangeLocks::ChangeLocks(const SystemVaultStore& store)
    : config_(store.sshDirectory(), StoreLock::Mode::change, wait, StoreLock::Target::folder)
    , meta_(store.places_.lockPath(), StoreLock::Mode::change, wait) {}

std::unique_ptr<VaultStore::ChangeHold> SystemVaultStore::holdChanges() {
    return std::make_unique<ChangeLocks>(*this);
}

std::optional<StoreFiles> SystemVaultStore::storeFiles() const {
    return places_.files();
}

ConfigBackups SystemVaultStore::backups() const {
    return guard_.backups();
}

std::vector<ConfigBackup> SystemVaultStore::listBackups() {
    return backups().list();
}

std::optional<config::OpenSSHEvaluator> SystemVaultStore::evaluator() {
    return reader_.evaluatorWith({});
}

// The lookup of the name: the files and the name ssh looks the key up by.
KnownHostKeys SystemVaultStore::knownHostLookup(const std::string& name) {
    const auto files = evaluator();
    HostEvaluation evaluation;
    evaluation.name = name;
    if (files)
        evaluation = files->evaluate(name, places_.localUser);
    return knownhosts::lookupFor(evaluation,
                                 knownhosts::localFacts(places_.homedir, places_.localUser));
}

KnownHostKeys SystemVaultStore::knownHostKeys(const std::string& name) {
    KnownHostKeys keys = knownHostLookup(name);
    knownhosts::readKeys(keys);
    return keys;
}

ForgottenHostKeys SystemVaultStore::forgetHostKeys(const std::string& name) {
    return knownhosts::forgetKeys(knownHostLookup(name), places_.homedir);
}

void SystemVaultStore::expectChange(const std::string& destination) {
    guard_.startCheck(destination);
}

std::vector<std::string> SystemVaultStore::takeNotices() {
    return guard_.takeNotices();
}

VaultData SystemVaultStore::loadData() {
    return load(nullptr);
}

VaultData SystemVaultStore::loadDataForAliases(const std::set<std::string, std::less<>>& aliases) {
    return load(&aliases);
}

VaultData SystemVaultStore::loadDataHandingOverHosts(const HostSink& sink, bool withFacts) {
    return load(nullptr, &sink, withFacts);
}

VaultData SystemVaultStore::load(const ConfigParser::AliasFilter* onlyAliases, const HostSink* sink,
                                 bool withFacts) {
    UserMeta meta;
    VaultData data;
    // The keys are scanned while the configuration's files are read; the
    // certificates the configuration names join after its one reading. The
    // calling thread scans: one that holds the metadata lock may save the key
    // cache under it, which another thread would wait for.
    HostReader::DocumentRead files;
    std::exception_ptr scanFailed;
    const auto scan = [&] {
        try {
            data.keys = metadata_.scanWithCache(meta, data.warnings);
        } catch (...) {
            scanFailed = std::current_exception();
        }
    };
    const auto readFiles = [&] { files = reader_.readDocument(onlyAliases); };
    files::runSideBySide(readFiles, scan);
    if (scanFailed)
        std::rethrow_exception(scanFailed);

    // A host kept in the metadata file stands for the configuration's
    // hosts of its alias.
    std::vector<SSHHost>& stored = meta.hosts;
    std::unordered_set<std::string_view> storedAliases;
    for (auto& host : stored) {
        host.source = HostSource::user;
        storedAliases.insert(host.alias);
    }
    HostReader::KeyPathToId keyPathToId;
    for (const auto& key : data.keys)
        keyPathToId[places_.expandHome(key.path)] = key.id;
    HostReader::ConfigRead read =
        sink ? reader_.readHandingOver(
                   keyPathToId, std::move(files),
                   [&](const SSHHost& host) { return !storedAliases.contains(host.alias); }, *sink,
                   withFacts)
             : reader_.read(onlyAliases, keyPathToId, std::move(files));
    ConfiguredCertificates::attach(data.keys, read.certificateFiles, places_.homedir,
                                   places_.localUser);
    ParsedConfig& config = read.config;
    data.sources.config = std::move(read.met);
    data.sources.keyFolder = places_.sshDirectory;
    data.sources.metaFile = places_.metaStore.path();
    for (const auto& problem : read.problems)
        data.warnings.push_back(problem.message());
    std::string ssh;
    if (auto reason = guard_.uncheckedReason(data.sources.config.files, ssh))
        data.warnings.push_back(*reason);

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

SSHHost SystemVaultStore::saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) {
    ChangeLocks locks(*this);
    return hostChanges_.saveHost(host, keyIdToPath);
}

SSHHost SystemVaultStore::saveConfigHost(const SSHHost& host,
                                         const std::optional<std::string>& originalAlias,
                                         const KeyIdToPath& keyIdToPath) {
    ChangeLocks locks(*this);
    return hostChanges_.saveConfigHost(host, originalAlias, keyIdToPath);
}

void SystemVaultStore::deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) {
    ChangeLocks locks(*this);
    hostChanges_.deleteHost(id, keyIdToPath);
}

void SystemVaultStore::deleteConfigHost(const SSHHost& host) {
    ChangeLocks locks(*this);
    hostChanges_.deleteConfigHost(host);
}

Defaults SystemVaultStore::saveConfigDefaults(const Defaults& defaults,
                                              const KeyIdToPath& keyIdToPath) {
    ChangeLocks locks(*this);
    return hostChanges_.saveConfigDefaults(defaults, keyIdToPath);
}

void SystemVaultStore::moveHostBlock(const std::string& alias, const std::string& file,
                                     std::size_t line) {
    ChangeLocks locks(*this);
    hostChanges_.moveHostBlock(alias, file, line);
}

void SystemVaultStore::restoreBackup(const std::string& id, RestoreCheck check) {
    ChangeLocks locks(*this);
    restorer_.restore(id, check);
}

std::optional<BackupTexts> SystemVaultStore::backupTexts(const std::string& id) {
    return restorer_.texts(id);
}

std::vector<ConfigChange> SystemVaultStore::takeConfigChanges() {
    return guard_.takeChanges();
}

void SystemVaultStore::revertConfigChanges(const std::vector<ConfigChange>& changes) {
    ChangeLocks locks(*this);
    restorer_.revert(changes);
}

std::vector<SSHKey>
SystemVaultStore::scanKeys(UserMeta& meta, std::vector<std::string>& warnings,
                           const std::vector<std::string>& certificateFiles) const {
    std::vector<SSHKey> keys = metadata_.scanWithCache(meta, warnings);
    ConfiguredCertificates::attach(keys, certificateFiles, places_.homedir, places_.localUser);
    return keys;
}

std::vector<SSHKey> SystemVaultStore::rescanKeys() {
    UserMeta meta;
    std::vector<std::string> warnings;
    return scanKeys(meta, warnings, ConfiguredCertificates::namedIn(reader_.readConfigLines()));
}

void SystemVaultStore::refreshKeyCache() {
    UserMeta meta;
    std::vector<std::string> warnings;
    metadata_.scanWithCache(meta, warnings);
}

std::vector<SSHKey> SystemVaultStore::generateKey(const GenerateKeyOptions& options) {
    keyPairs_.generate(options);
    return rescanKeys();
}

std::vector<SSHKey> SystemVaultStore::changePassphrase(const ChangePassphraseOptions& options) {
    keyPairs_.changePassphrase(options);
    return rescanKeys();
}

std::vector<SSHKey> SystemVaultStore::recreatePublicKey(const RecreatePublicKeyOptions& options) {
    keyPairs_.recreatePublicKey(options);
    return rescanKeys();
}

void SystemVaultStore::saveKeyMeta(const SSHKey& key) {
    metadata_.nameKey(key);
}

void SystemVaultStore::deleteKeyMeta(const std::string& id, const DeleteKeyOptions& options) {
    // The configuration's lock too, so that no host of this store takes the
    // key up between the check and the removal.
    ChangeLocks locks(*this);
    if (!options.evenIfUsed)
        VaultRules::refuseIfUsed(loadData(), id);
    metadata_.removeKeyName(id, [&] { keyPairs_.remove(id); });
}

std::optional<std::string> SystemVaultStore::preferredTerminal() {
    return metadata_.preferredTerminal();
}

void SystemVaultStore::setPreferredTerminal(const std::optional<std::string>& commandLine) {
    metadata_.setPreferredTerminal(commandLine);
}

AgentState SystemVaultStore::agentKeys() {
    return agent_.keys();
}

void SystemVaultStore::addKeyToAgent(const AgentAddOptions& options) {
    agent_.add(options);
}

void SystemVaultStore::removeKeyFromAgent(const std::string& keyId) {
    agent_.remove(keyId);
}

} // namespace moorkeep
