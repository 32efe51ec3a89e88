#pragma once

#include "stores/vault_store.h"

#include <chrono>
#include <map>
#include <mutex>
#include <optional>

namespace moorkeep {

// Sample hosts, keys and defaults in memory: every screen can be tried
// without a real .ssh directory. Touches no file, runs no process, never
// fails but for what a real agent refuses; operations run one at a time. Its
// agent is in memory too: it starts out holding two of the sample keys and
// forgets a key when its lifetime is over.
class DemoVaultStore : public VaultStore {
public:
    DemoVaultStore();

    VaultData loadData() override;
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
    AgentState agentKeys() override;
    void addKeyToAgent(const AgentAddOptions& options) override;
    void removeKeyFromAgent(const std::string& keyId) override;
    // The sample known_hosts keys of the host of that alias.
    KnownHostKeys knownHostKeys(const std::string& name) override;
    ForgottenHostKeys forgetHostKeys(const std::string& name) override;

private:
    using Clock = std::chrono::steady_clock;

    const SSHKey& keyWithId(const std::string& id) const;

    std::mutex mutex_;
    std::vector<SSHHost> hosts_;
    std::vector<SSHKey> keys_;
    Defaults defaults_;
    std::optional<std::string> preferredTerminal_;
    // Key id to the moment the agent forgets the key (absent: never).
    std::map<std::string, std::optional<Clock::time_point>> agent_;
    std::map<std::string, std::vector<KnownHostKey>> knownHostKeys_;
};

// Whether the value of MOORKEEP_DEMO asks for the demo store: only exactly
// "1" does, with no trimming and no other spelling. Null when it is not set.
bool demoRequested(const char* moorkeepDemo);

} // namespace moorkeep
