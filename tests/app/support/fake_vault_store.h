#pragma once

#include "model/vault_store.h"

#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace moorkeep::test {

// An in-memory store whose calls a test can hold (they block until released)
// and fail on demand. Records every call with its arguments and thread.
class FakeVaultStore : public VaultStore {
public:
    enum class Op {
        loadData,
        saveHost,
        saveConfigHost,
        deleteHost,
        deleteConfigHost,
        saveKeyMeta,
        deleteKeyMeta,
        rescanKeys,
        generateKey,
        changePassphrase,
        saveConfigDefaults,
    };

    struct Call {
        Op op = Op::loadData;
        std::thread::id thread{};
        SSHHost host{};
        SSHKey key{};
        std::string id{};
        std::optional<std::string> originalAlias{};
        KeyIdToPath keyIdToPath{};
        GenerateKeyOptions generate{};
        Defaults defaults{};
    };

    explicit FakeVaultStore(VaultData data = {});

    // Calls of op block from now on until release(op).
    void hold(Op op);
    void release(Op op);
    void releaseAll();
    // Whether a call of op is blocked right now.
    bool isHeld(Op op) const;

    // Every later call of op throws this, until succeed(op).
    void fail(Op op, std::exception_ptr error);
    void fail(Op op, const std::string& message);
    void succeed(Op op);

    VaultData data() const;
    void setData(VaultData data);
    std::vector<Call> calls() const;
    std::vector<Call> calls(Op op) const;

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
    // Records the call, waits while op is held, throws a scripted failure.
    // Returns with the lock held so the operation can touch the data.
    std::unique_lock<std::mutex> enter(Call call);

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::set<Op> held_;
    std::map<Op, int> waiting_;
    std::map<Op, std::exception_ptr> failures_;
    std::vector<Call> calls_;
    VaultData data_;
    int nextId_ = 1;
};

} // namespace moorkeep::test
