#pragma once

#include "config/config_read_problem.h"
#include "keys/key_tool.h"
#include "model/config_records.h"
#include "model/vault_store.h"
#include "stores/user_meta_store.h"

#include <map>
#include <optional>
#include <string>

namespace moorkeep {

class StoreLock;

// The store that works on a real home directory: ~/.ssh/config (and what it
// includes), the key pairs in ~/.ssh and the metadata file. Operations that
// change a file run under one lock shared by every process using the same
// metadata file, so overlapping changes never drop each other.
class SystemVaultStore : public VaultStore {
public:
    struct Options {
        std::optional<std::string> homedir;      // default: the current user's home
        std::optional<std::string> userMetaPath; // default: UserMetaStore::defaultPath
        std::string keyToolPath = moorkeep::keyToolPath;
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
    SSHHost saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) override;
    SSHHost saveConfigHost(const SSHHost& host, const std::optional<std::string>& originalAlias,
                           const KeyIdToPath& keyIdToPath) override;
    void deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) override;
    void deleteConfigHost(const SSHHost& host) override;
    void saveKeyMeta(const SSHKey& key) override;
    void deleteKeyMeta(const std::string& id) override;
    std::vector<SSHKey> rescanKeys() override;
    std::vector<SSHKey> generateKey(const GenerateKeyOptions& options) override;
    std::vector<SSHKey> changePassphrase(const ChangePassphraseOptions& options) override;
    Defaults saveConfigDefaults(const Defaults& defaults, const KeyIdToPath& keyIdToPath) override;

private:
    using KeyPathToId = std::map<std::string, std::string>;

    KeyPathToId invert(const KeyIdToPath& keyIdToPath) const;
    std::vector<ConfigLineSource> readConfigLines() const;
    std::vector<ConfigLineSource> readConfigLines(ConfigReadProblems& problems) const;
    ParsedConfig readConfig(const KeyPathToId& keyPathToId) const;
    // Scans with the cache of the metadata file, saves a changed cache
    // (ignoring a failed save) and applies display names. meta receives the
    // record as it was read for the save; warnings what the user should hear
    // of the metadata file and the key files.
    std::vector<SSHKey> scanWithCache(UserMeta& meta, std::vector<std::string>& warnings) const;
    std::string lockPath() const;
    // Throws FileError when a block with this Host pattern may stand in a
    // configuration file that reading skipped (not UTF-8, too large), so
    // that no second block is added for it.
    void refuseSkippedBlock(const ConfigReadProblems& problems, const std::string& pattern) const;
    // The path with the home directory written as "~", for messages.
    std::string displayPath(const std::string& path) const;

    std::string homedir_;
    std::string sshDirectory_;
    std::string configPath_;
    UserMetaStore metaStore_;
    std::string keyToolPath_;
};

} // namespace moorkeep
