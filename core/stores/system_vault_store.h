#pragma once

#include "editing/config_writer.h"
#include "files/file_stamp.h"
#include "keys/agent_tool.h"
#include "keys/key_tool.h"
#include "metadata/user_meta_store.h"
#include "model/config_records.h"
#include "openssh/effect_check.h"
#include "openssh/openssh_check.h"
#include "openssh/openssh_evaluator.h"
#include "reading/config_parser.h"
#include "reading/config_read_problem.h"
#include "stores/config_backups.h"
#include "stores/store_lock.h"
#include "stores/vault_store.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
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
// bytes are backed up.
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
    class ChangeLocks {
    public:
        // Longer than one holder's longest work (the OpenSSH check alone may
        // take its 5 s), so that changes queued behind each other go through.
        static constexpr std::chrono::milliseconds wait{30000};

        explicit ChangeLocks(const SystemVaultStore& store);

    private:
        StoreLock config_;
        StoreLock meta_;
    };

    SystemVaultStore();
    explicit SystemVaultStore(Options options);

    const std::string& homedir() const { return homedir_; }
    const std::string& sshDirectory() const { return sshDirectory_; }
    const std::string& configPath() const { return configPath_; }
    const UserMetaStore& metaStore() const { return metaStore_; }

    // "~..." with this store's home; other text unchanged.
    std::string expandHome(const std::string& path) const;

    VaultData loadData() override;
    VaultData loadDataForAliases(const std::set<std::string, std::less<>>& aliases) override;
    SSHHost saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) override;
    SSHHost saveConfigHost(const SSHHost& host, const std::optional<std::string>& originalAlias,
                           const KeyIdToPath& keyIdToPath) override;
    void deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) override;
    void deleteConfigHost(const SSHHost& host) override;
    void saveKeyMeta(const SSHKey& key) override;
    void deleteKeyMeta(const std::string& id, const DeleteKeyOptions& options) override;
    std::vector<SSHKey> rescanKeys() override;
    std::vector<SSHKey> generateKey(const GenerateKeyOptions& options) override;
    std::vector<SSHKey> changePassphrase(const ChangePassphraseOptions& options) override;
    Defaults saveConfigDefaults(const Defaults& defaults, const KeyIdToPath& keyIdToPath) override;
    std::optional<std::string> preferredTerminal() override;
    void setPreferredTerminal(const std::optional<std::string>& commandLine) override;
    // The agent of this process's SSH_AUTH_SOCK, through ssh-add.
    AgentState agentKeys() override;
    void addKeyToAgent(const AgentAddOptions& options) override;
    void removeKeyFromAgent(const std::string& keyId) override;

    // Moves the Host block of the alias, byte for byte, above the Host or
    // Match line `line` (counted from 1) of `file`, which must be the file
    // the block lives in. Throws FileError.
    void moveHostBlock(const std::string& alias, const std::string& file, std::size_t line);

    // The path with the home directory written as "~", for messages.
    std::string displayPath(const std::string& path) const;

    ConfigBackups backups() const;
    // What OpenSSH makes of the configuration as it is now, or with some
    // files' texts replaced.
    config::OpenSSHEvaluator evaluator(const config::TextOverrides& overrides = {}) const;
    const std::string& localUser() const { return localUser_; }
    enum class RestoreCheck { byOpenSSH, none };
    // Puts the backup's bytes back in place of its file, atomically, after
    // backing up what the file holds now. Only a file this home's
    // configuration reads now is restored, and unless told otherwise only
    // with text OpenSSH accepts (OpenSSHCheck::Rejection). Throws FileError.
    void restoreBackup(const std::string& id, RestoreCheck check = RestoreCheck::byOpenSSH);

    // What the user should hear of changes made so far that no error
    // reports, each once: that OpenSSH could not check them.
    std::vector<std::string> takeNotices() override;

private:
    using KeyPathToId = std::map<std::string, std::string>;

    KeyPathToId invert(const KeyIdToPath& keyIdToPath) const;
    std::vector<ConfigLineSource> readConfigLines() const;
    std::vector<ConfigLineSource> readConfigLines(ConfigReadProblems& problems) const;
    ParsedConfig readConfig(const KeyPathToId& keyPathToId) const;
    // The configuration read once: the hosts (only those of onlyAliases,
    // when given) with the values OpenSSH uses for them. seen hears of every
    // Host line: its value and its file.
    using HostLineSeen = std::function<void(std::string_view value, const std::string& file)>;
    ParsedConfig readEvaluated(const KeyPathToId& keyPathToId,
                               const ConfigParser::AliasFilter* onlyAliases,
                               ConfigReadProblems& problems, ConfigFiles& met,
                               const HostLineSeen& seen) const;
    // The configuration with only the hosts of this alias, and the file of
    // its first Host line, read in one pass.
    struct ConfigBlock {
        ParsedConfig config;
        std::optional<std::string> file;
        ConfigReadProblems problems; // the files reading skipped
    };
    ConfigBlock readConfigBlock(const std::string& alias, const KeyPathToId& keyPathToId) const;
    // The configuration with only the hosts of these aliases, the file of
    // each one's first Host line, and what reading skipped and depended on.
    struct AliasesRead {
        ParsedConfig config;
        std::map<std::string, std::string, std::less<>> blockFiles;
        ConfigReadProblems problems;
        ConfigFiles met;
    };
    AliasesRead readAliases(const ConfigParser::AliasFilter& aliases,
                            const KeyPathToId& keyPathToId) const;
    // A read for some aliases made while this thread held the change locks:
    // a change that follows in the same hold (the command line reads a
    // host, then changes it) starts from it instead of reading every file
    // again, as long as each file it depended on is as it was.
    struct HeldRead {
        std::uint64_t hold = 0;
        ConfigParser::AliasFilter aliases;
        KeyPathToId keyPathToId;
        AliasesRead read;
        std::vector<std::pair<std::string, files::FileStamp>> stamps;
    };
    void keepHeldRead(const ConfigParser::AliasFilter& aliases, const KeyPathToId& keyPathToId,
                      const AliasesRead& read) const;
    std::optional<AliasesRead> heldReadFor(const std::string& alias,
                                           const KeyPathToId& keyPathToId) const;
    // loadData, with every host or only those of these aliases.
    VaultData load(const ConfigParser::AliasFilter* onlyAliases);
    // Scans with the cache of the metadata file, saves a changed cache
    // (ignoring a failed save) and applies display names. meta receives the
    // record as it was read (under the lock, when the cache was saved);
    // warnings what the user should hear of the metadata file and the key
    // files.
    std::vector<SSHKey> scanWithCache(UserMeta& meta, std::vector<std::string>& warnings) const;
    std::string lockPath() const;
    // A key's private file in ~/.ssh and how messages spell it
    // ("~/.ssh/NAME"). Throws keyNotFound for an id no key file has.
    struct KeyFile {
        std::string path;
        std::string shown;
    };
    KeyFile keyFile(const std::string& keyId) const;
    // keyFile, and throws keyFileNotFound when the private file is gone.
    KeyFile existingPrivateKey(const std::string& keyId) const;
    // Throws FileError when a block with this Host pattern may stand in a
    // configuration file that reading skipped (not UTF-8, too large), so
    // that no second block is added for it.
    void refuseSkippedBlock(const ConfigReadProblems& problems, const std::string& pattern) const;
    // The file form's target, checked by OpenSSH (evaluated for the given
    // host name) and backed up before it is replaced; a read-only file is
    // not replaced. takesEffect, when given, first judges the new text (see
    // EffectCheck).
    using EffectJudge = std::function<void(const std::string& file, const std::string& next)>;
    ConfigWriter::AtPath guarded(const std::string& file, const std::string& destination,
                                 EffectJudge takesEffect = {}) const;
    // Removes what interrupted changes of the file left beside it and in
    // the checks' folder, once no running change can own it.
    void sweepLeftovers(const std::string& file) const;
    // Judges a change of this host against what OpenSSH will use.
    EffectJudge effectJudge(const std::string& name, const std::optional<SSHHost>& before,
                            const SSHHost& asked, const Defaults& defaults,
                            const KeyIdToPath& keyIdToPath) const;
    EffectJudge effectJudge(EffectCheck::Request request) const;
    // The file and every file it includes, as reading meets them.
    std::vector<std::string> filesReadWith(const std::string& file) const;
    // Why OpenSSH cannot check a change that reads these files; sets ssh to
    // the program to ask otherwise.
    std::optional<std::string> uncheckedReason(const std::vector<std::string>& files,
                                               std::string& ssh) const;
    // Throws OpenSSHCheck::Rejection; a change OpenSSH cannot check goes
    // ahead with a notice.
    void checkChange(const std::string& file, const std::string& destination,
                     const std::optional<std::string>& current, const std::string& next) const;
    void tell(const std::string& notice) const;

    std::string homedir_;
    std::string sshDirectory_;
    std::string configPath_;
    UserMetaStore metaStore_;
    std::string keyToolPath_;
    std::string agentToolPath_;
    std::string sshPath_;
    std::string backupFolder_;
    std::string localUser_;
    mutable std::mutex noticeMutex_;
    mutable std::vector<std::string> notices_;
    mutable std::mutex heldReadMutex_;
    mutable std::optional<HeldRead> heldRead_;
};

} // namespace moorkeep
