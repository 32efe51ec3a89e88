#pragma once

#include "model/agent_state.h"
#include "model/defaults.h"
#include "model/key_requests.h"
#include "model/ssh_host.h"
#include "model/ssh_key.h"
#include "model/vault_data.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace moorkeep {

// Key id to the key's path as shown ("~/.ssh/" followed by the file name).
using KeyIdToPath = std::map<std::string, std::string>;

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
    virtual SSHHost saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) = 0;
    virtual SSHHost saveConfigHost(const SSHHost& host,
                                   const std::optional<std::string>& originalAlias,
                                   const KeyIdToPath& keyIdToPath) = 0;
    virtual void deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) = 0;
    virtual void deleteConfigHost(const SSHHost& host) = 0;
    virtual void saveKeyMeta(const SSHKey& key) = 0;
    // Removes the key pair's files and its recorded name. A key that hosts
    // use is refused (VaultError::keyInUse) unless the options say otherwise.
    virtual void deleteKeyMeta(const std::string& id, const DeleteKeyOptions& options) = 0;
    virtual std::vector<SSHKey> rescanKeys() = 0;
    virtual std::vector<SSHKey> generateKey(const GenerateKeyOptions& options) = 0;
    virtual std::vector<SSHKey> changePassphrase(const ChangePassphraseOptions& options) = 0;
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

    // What the user should hear of changes made so far that no error
    // reports, each once: that OpenSSH could not check them. None here.
    virtual std::vector<std::string> takeNotices();
};

} // namespace moorkeep
