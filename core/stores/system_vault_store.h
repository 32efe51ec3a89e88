#pragma once

#include "keys/agent_tool.h"
#include "keys/key_tool.h"
#include "metadata/user_meta_store.h"
#include "openssh/openssh_check.h"
#include "openssh/openssh_evaluator.h"
#include "reading/config_parser.h"
#include "stores/backup_restorer.h"
#include "stores/config_backups.h"
#include "stores/config_guard.h"
#include "stores/config_host_changes.h"
#include "stores/host_reader.h"
#include "stores/key_pairs.h"
#include "stores/store_agent.h"
#include "stores/store_lock.h"
#include "stores/store_metadata.h"
#include "stores/store_places.h"
#include "stores/vault_store.h"

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace moorkeep {

// The store that works on a real home directory: ~/.ssh/config (and what it
// includes), the key pairs in ~/.ssh and the metadata file. Operations that
// change a file run under one lock shared by every process using the same
// metadata file, and changes of the configuration also under a lock on the
// .ssh folder, so overlapping changes never drop each other. Before a
// configuration file is replaced, OpenSSH checks the new text and the old
// bytes are backed up. It takes the locks and hands the work to its parts.
class SystemVaultStore : public VaultStore {
public:
    struct Options {
        std::optional<std::string> homedir;      // default: the current user's home
        std::optional<std::string> userMetaPath; // default: UserMetaStore::defaultPath
        std::string keyToolPath = moorkeep::keyToolPath;
        std::string agentToolPath = AgentTool::agentToolPath;
        std::string sshPath = OpenSSHCheck::sshPath;
        std::optional<std::string> backupFolder; // default: ConfigBackups::defaultFolder
    };

    // The locks of a configuration change, the configuration's first, then
    // the metadata's. A caller that reads a snapshot and then changes it holds
    // them around both, so that nothing changes in between; the store's own
    // operations then take them again at no cost.
    class ChangeLocks : public ChangeHold {
    public:
        static constexpr std::chrono::milliseconds wait = StorePlaces::changeLockWait;

        explicit ChangeLocks(const SystemVaultStore& store);

    private:
        StoreLock config_;
        StoreLock meta_;
    };

    SystemVaultStore();
    explicit SystemVaultStore(Options options);
    SystemVaultStore(const SystemVaultStore&) = delete;
    SystemVaultStore& operator=(const SystemVaultStore&) = delete;

    const std::string& sshDirectory() const { return places_.sshDirectory; }
    const std::string& configPath() const { return places_.configPath; }

    std::optional<StoreFiles> storeFiles() const override;

    VaultData loadData() override;
    VaultData loadDataForAliases(const std::set<std::string, std::less<>>& aliases) override;
    VaultData loadDataHandingOverHosts(const HostSink& sink, bool withFacts = true) override;
    SSHHost saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) override;
    SSHHost saveConfigHost(const SSHHost& host, const std::optional<std::string>& originalAlias,
                           const KeyIdToPath& keyIdToPath) override;
    SSHHost moveAndSaveConfigHost(const SSHHost& host,
                                  const std::optional<std::string>& originalAlias,
                                  const KeyIdToPath& keyIdToPath, std::size_t line) override;
    void deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) override;
    void deleteConfigHost(const SSHHost& host) override;
    void saveKeyMeta(const SSHKey& key) override;
    void deleteKeyMeta(const std::string& id, const DeleteKeyOptions& options) override;
    std::vector<SSHKey> rescanKeys() override;
    void refreshKeyCache() override;
    std::vector<SSHKey> generateKey(const GenerateKeyOptions& options) override;
    std::vector<SSHKey> changePassphrase(const ChangePassphraseOptions& options) override;
    std::vector<SSHKey> recreatePublicKey(const RecreatePublicKeyOptions& options) override;
    Defaults saveConfigDefaults(const Defaults& defaults, const KeyIdToPath& keyIdToPath) override;
    std::optional<std::string> preferredTerminal() override;
    void setPreferredTerminal(const std::optional<std::string>& commandLine) override;
    // The agent of this process's SSH_AUTH_SOCK, through ssh-add.
    AgentState agentKeys() override;
    void addKeyToAgent(const AgentAddOptions& options) override;
    void removeKeyFromAgent(const std::string& keyId) override;

    // Byte for byte, within the file the block lives in. Throws FileError.
    void moveHostBlock(const std::string& alias, const std::string& file,
                       std::size_t line) override;

    ConfigBackups backups() const;
    std::vector<ConfigBackup> listBackups() override;
    std::optional<config::OpenSSHEvaluator> evaluator() override;
    std::string localUser() const override { return places_.localUser; }
    // Throws FileError, or OpenSSHCheck::Rejection for text OpenSSH refuses
    // (see BackupRestorer).
    void restoreBackup(const std::string& id,
                       RestoreCheck check = RestoreCheck::byOpenSSH) override;
    std::optional<BackupTexts> backupTexts(const std::string& id) override;
    std::vector<ConfigChange> takeConfigChanges() override;
    // Under the change locks.
    void revertConfigChanges(const std::vector<ConfigChange>& changes) override;

    Diagnosis diagnose() override;
    std::optional<Finding> refusal() override;
    // Under the configuration's change lock.
    void applyFix(const FindingFix& fix) override;

    // From the known_hosts files OpenSSH reads for the name with these
    // configuration files; forgetting keeps FILE.old as ssh-keygen -R does.
    KnownHostKeys knownHostKeys(const std::string& name) override;
    ForgottenHostKeys forgetHostKeys(const std::string& name) override;

    std::unique_ptr<ChangeHold> holdChanges() override;
    // Starts OpenSSH's check of the change ahead (see ConfigGuard::startCheck).
    void expectChange(const std::string& destination) override;
    // That OpenSSH could not check them.
    std::vector<std::string> takeNotices() override;

private:
    // loadData, with every host or only those of these aliases; with a
    // sink, the configuration's hosts go to it instead (with their facts or
    // only their blocks' places).
    VaultData load(const ConfigParser::AliasFilter* onlyAliases, const HostSink* sink = nullptr,
                   bool withFacts = true);
    // The keys in ~/.ssh with the certificates beside them and those these
    // CertificateFile values name.
    std::vector<SSHKey> scanKeys(UserMeta& meta, std::vector<std::string>& warnings,
                                 const std::vector<std::string>& certificateFiles) const;
    KnownHostKeys knownHostLookup(const std::string& name);

    StorePlaces places_;
    ConfigGuard guard_;
    HostReader reader_;
    ConfigHostChanges hostChanges_;
    KeyPairs keyPairs_;
    StoreMetadata metadata_;
    StoreAgent agent_;
    BackupRestorer restorer_;
};

} // namespace moorkeep
