#pragma once

#include "diagnosis/finding.h"
#include "model/agent_state.h"
#include "model/defaults.h"
#include "model/key_requests.h"
#include "model/known_host_keys.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"
#include "model/vault_data.h"
#include "openssh/openssh_evaluator.h"
#include "stores/config_backups.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace moorkeep {

// Key id to the key's path as shown ("~/.ssh/" followed by the file name).
using KeyIdToPath = std::map<std::string, std::string>;

// The home folder and main configuration file of a store that works on files.
struct StoreFiles {
    std::string home;
    std::string configPath;

    // The path with the home folder written as "~", for messages.
    std::string displayPath(const std::string& path) const;
    // "~..." with this home; other text unchanged.
    std::string expandHome(const std::string& path) const;
};

// The one interface through which hosts, keys and defaults are read and
// changed. Every operation blocks its caller; callers on a user-interface
// thread run them on a worker. Changing operations throw on failure, with the
// user-facing message as what() (VaultError for the key cases).
class VaultStore {
public:
    virtual ~VaultStore() = default;

    virtual VaultData loadData() = 0;
    // loadData with only the hosts whose alias is one of these (compared
    // exactly), in the same order and with the same values; keys and
    // defaults in full. Commands about one host of a large configuration
    // need no more.
    virtual VaultData loadDataForAliases(const std::set<std::string, std::less<>>& aliases);
    // loadData with the configuration's hosts handed to sink as each is read
    // instead of kept, for a list of thousands: part 0's and part 1's (which
    // follow them) each in order, on two threads at the same time. The
    // snapshot holds the hosts not handed over (those the metadata file
    // keeps), which follow those. Without withFacts the hosts' facts are
    // only their blocks' places, all a list shows of them. sink must not
    // throw.
    using HostSink = std::function<void(int part, SSHHost&& host)>;
    virtual VaultData loadDataHandingOverHosts(const HostSink& sink, bool withFacts = true);
    // Writes a new host, or one of the store's own list, as a Host block of the configuration.
    virtual SSHHost saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) = 0;
    // Rewrites the Host block of a configuration host (originalAlias: the block it had).
    virtual SSHHost saveConfigHost(const SSHHost& host,
                                   const std::optional<std::string>& originalAlias,
                                   const KeyIdToPath& keyIdToPath) = 0;
    // saveConfigHost with the block first moved above the Host or Match line
    // `line` (from 1) of its file, byte for byte as moveHostBlock moves it:
    // one change, judged and backed up once. A store without files refuses.
    virtual SSHHost moveAndSaveConfigHost(const SSHHost& host,
                                          const std::optional<std::string>& originalAlias,
                                          const KeyIdToPath& keyIdToPath, std::size_t line);
    // Removes a host of the store's own list, by id.
    virtual void deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) = 0;
    // Removes the Host block of a configuration host.
    virtual void deleteConfigHost(const SSHHost& host) = 0;
    // Renames the key: records key.name as its display name.
    virtual void saveKeyMeta(const SSHKey& key) = 0;
    // Removes the key pair's files and its recorded name. A key that hosts
    // use is refused (VaultError::keyInUse) unless the options say otherwise.
    virtual void deleteKeyMeta(const std::string& id, const DeleteKeyOptions& options) = 0;
    virtual std::vector<SSHKey> rescanKeys() = 0;
    // Brings the store's record of the key files up to date, so that a scan
    // soon after runs no key tool. Nothing more is read.
    virtual void refreshKeyCache() { rescanKeys(); }
    virtual std::vector<SSHKey> generateKey(const GenerateKeyOptions& options) = 0;
    virtual std::vector<SSHKey> changePassphrase(const ChangePassphraseOptions& options) = 0;
    // Writes the missing public file of a key from its private file (and
    // comment), opened with the passphrase given. A store without key
    // files (the base's answer) refuses.
    virtual std::vector<SSHKey> recreatePublicKey(const RecreatePublicKeyOptions& options);
    // Writes the values of the Host * block.
    virtual Defaults saveConfigDefaults(const Defaults& defaults,
                                        const KeyIdToPath& keyIdToPath) = 0;
    // The command line of the terminal the user prefers for connecting;
    // nothing for the automatic choice. Never fails.
    virtual std::optional<std::string> preferredTerminal();
    // Keeps it, as the user asked; nothing, or text without words, restores
    // the automatic choice. Throws std::invalid_argument for a command line
    // that leaves a quote open. A store that keeps no preferences refuses.
    virtual void setPreferredTerminal(const std::optional<std::string>& commandLine);

    // The user's ssh-agent. A store that has none (the base's answer) says
    // that no agent is running and refuses to change one: the agent
    // operations throw AgentError, or VaultError for an unknown key.
    // Reading never fails.
    virtual AgentState agentKeys();
    virtual void addKeyToAgent(const AgentAddOptions& options);
    virtual void removeKeyFromAgent(const std::string& keyId);

    // Where the store's files are; nothing for a store without files (the base's answer).
    virtual std::optional<StoreFiles> storeFiles() const;
    // What OpenSSH makes of the configuration files now; nothing for a store without files.
    virtual std::optional<config::OpenSSHEvaluator> evaluator();
    // The local user OpenSSH evaluates for ("%u"): the user running this process.
    virtual std::string localUser() const;
    // Moves the alias's Host block above the Host or Match line `line` (from 1) of its file.
    virtual void moveHostBlock(const std::string& alias, const std::string& file, std::size_t line);
    // The backups of the configuration files, newest first; none for a store without files.
    virtual std::vector<ConfigBackup> listBackups();
    enum class RestoreCheck { byOpenSSH, none };
    // Puts a backup back in place of its file, checked by OpenSSH unless told otherwise.
    virtual void restoreBackup(const std::string& id, RestoreCheck check = RestoreCheck::byOpenSSH);
    // A backup's text beside its file's text now; nothing when it cannot be read.
    virtual std::optional<BackupTexts> backupTexts(const std::string& id);
    // The configuration changes the calling thread's calls made since it
    // last asked, oldest first, restores included; none for a store without files.
    virtual std::vector<ConfigChange> takeConfigChanges();
    // Puts each file back as it was before its change, newest first, as
    // BackupRestorer::revert does; what that writes is itself a change, so
    // reverting it makes the change again. A store without files refuses.
    virtual void revertConfigChanges(const std::vector<ConfigChange>& changes);

    // What is wrong with the set-up: OpenSSH's verdict on the whole
    // configuration and the diagnosis's own checks; none for a store without
    // files. Slow on a large configuration. Never fails.
    virtual Diagnosis diagnose();
    // Why ssh refuses the configuration (the first error of OpenSSH's own
    // verdict, or of the main file's owner and mode), if it does: one quick
    // ssh run, for commands that only warn.
    virtual std::optional<Finding> refusal();
    // Applies a finding's fix (a file's mode; its bytes stay as they are).
    // Throws FileError; a store without files refuses.
    virtual void applyFix(const FindingFix& fix);

    // The host keys OpenSSH's client trusts for the destination name (an
    // alias or any other), from the known_hosts files it reads for it; none
    // for a store without files (the base's answer). Never fails.
    virtual KnownHostKeys knownHostKeys(const std::string& name);
    // Removes from the user's known_hosts files the lines of those keys that
    // `ssh-keygen -R` removes, as it would; a store without files refuses.
    virtual ForgottenHostKeys forgetHostKeys(const std::string& name);

    // Held by a caller between reading a snapshot and changing it.
    class ChangeHold {
    public:
        virtual ~ChangeHold() = default;
    };
    // Holds the locks of a configuration change until dropped; nothing for a store without locks.
    virtual std::unique_ptr<ChangeHold> holdChanges();
    // Says that a change for this host name (as ssh takes it on its command
    // line) is about to be made, so that a store may start OpenSSH's check
    // of it ahead. Nothing here.
    virtual void expectChange(const std::string& destination);
    // What the user should hear of changes made so far that no error
    // reports, each once: that OpenSSH could not check them. None here.
    virtual std::vector<std::string> takeNotices();
};

} // namespace moorkeep
