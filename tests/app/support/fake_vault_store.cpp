#include "support/fake_vault_store.h"

#include "keys/key_file_name.h"
#include "model/vault_error.h"

#include <algorithm>
#include <stdexcept>

namespace moorkeep::test {

FakeVaultStore::FakeVaultStore(VaultData data)
    : data_(std::move(data)) {}

void FakeVaultStore::hold(Op op) {
    std::lock_guard lock(mutex_);
    held_.insert(op);
}

void FakeVaultStore::release(Op op) {
    std::lock_guard lock(mutex_);
    held_.erase(op);
    released_.notify_all();
}

void FakeVaultStore::releaseAll() {
    std::lock_guard lock(mutex_);
    held_.clear();
    released_.notify_all();
}

bool FakeVaultStore::isHeld(Op op) const {
    std::lock_guard lock(mutex_);
    auto it = waiting_.find(op);
    return it != waiting_.end() && it->second > 0;
}

void FakeVaultStore::fail(Op op, std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    failures_[op] = std::move(error);
}

void FakeVaultStore::fail(Op op, const std::string& message) {
    fail(op, std::make_exception_ptr(std::runtime_error(message)));
}

void FakeVaultStore::succeed(Op op) {
    std::lock_guard lock(mutex_);
    failures_.erase(op);
}

VaultData FakeVaultStore::data() const {
    std::lock_guard lock(mutex_);
    return data_;
}

void FakeVaultStore::setData(VaultData data) {
    std::lock_guard lock(mutex_);
    data_ = std::move(data);
}

std::vector<FakeVaultStore::Call> FakeVaultStore::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<FakeVaultStore::Call> FakeVaultStore::calls(Op op) const {
    std::vector<Call> matching;
    for (const auto& call : calls())
        if (call.op == op)
            matching.push_back(call);
    return matching;
}

std::unique_lock<std::mutex> FakeVaultStore::enter(Call call) {
    std::unique_lock lock(mutex_);
    Op op = call.op;
    call.thread = std::this_thread::get_id();
    calls_.push_back(std::move(call));
    ++waiting_[op];
    released_.wait(lock, [&] { return !held_.contains(op); });
    --waiting_[op];
    if (auto failure = failures_.find(op); failure != failures_.end())
        std::rethrow_exception(failure->second);
    return lock;
}

VaultData FakeVaultStore::loadData() {
    auto lock = enter({.op = Op::loadData});
    return data_;
}

SSHHost FakeVaultStore::saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) {
    auto lock = enter({.op = Op::saveHost, .host = host, .keyIdToPath = keyIdToPath});
    SSHHost saved = host;
    if (saved.id.empty()) {
        saved.id = "STORED-" + std::to_string(nextId_++);
        saved.source = HostSource::user;
    }
    auto it = std::find_if(data_.hosts.begin(), data_.hosts.end(),
                           [&](const SSHHost& h) { return h.id == saved.id; });
    if (it != data_.hosts.end())
        *it = saved;
    else
        data_.hosts.push_back(saved);
    return saved;
}

SSHHost FakeVaultStore::saveConfigHost(const SSHHost& host,
                                       const std::optional<std::string>& originalAlias,
                                       const KeyIdToPath& keyIdToPath) {
    auto lock = enter({.op = Op::saveConfigHost,
                       .host = host,
                       .originalAlias = originalAlias,
                       .keyIdToPath = keyIdToPath});
    return host;
}

void FakeVaultStore::deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) {
    auto lock = enter({.op = Op::deleteHost, .id = id, .keyIdToPath = keyIdToPath});
    std::erase_if(data_.hosts, [&](const SSHHost& h) { return h.id == id; });
}

void FakeVaultStore::deleteConfigHost(const SSHHost& host) {
    auto lock = enter({.op = Op::deleteConfigHost, .host = host});
    std::erase_if(data_.hosts, [&](const SSHHost& h) { return h.alias == host.alias; });
}

void FakeVaultStore::saveKeyMeta(const SSHKey& key) {
    auto lock = enter({.op = Op::saveKeyMeta, .key = key});
    for (auto& k : data_.keys)
        if (k.id == key.id)
            k.name = key.name;
}

void FakeVaultStore::deleteKeyMeta(const std::string& id) {
    auto lock = enter({.op = Op::deleteKeyMeta, .id = id});
    std::erase_if(data_.keys, [&](const SSHKey& k) { return k.id == id; });
}

std::vector<SSHKey> FakeVaultStore::rescanKeys() {
    auto lock = enter({.op = Op::rescanKeys});
    return data_.keys;
}

// Like the system store: the file name is the sanitized key name, and the
// key's own name starts out as that file name.
std::vector<SSHKey> FakeVaultStore::generateKey(const GenerateKeyOptions& options) {
    auto lock = enter({.op = Op::generateKey, .generate = options});
    std::string file = sanitizeKeyFileName(options.name);
    std::string path = "~/.ssh/" + file;
    if (std::any_of(data_.keys.begin(), data_.keys.end(),
                    [&](const SSHKey& k) { return k.path == path; }))
        throw VaultError::keyAlreadyExists(file);
    data_.keys.push_back({.id = "key-" + file,
                          .name = file,
                          .path = path,
                          .type = options.type,
                          .fingerprint = "SHA256:" + file,
                          .publicKey = "ssh-" + options.type + " AAAA " + file,
                          .hasPassphrase = options.passphrase.has_value(),
                          .createdAt = "2024-05-01"});
    return data_.keys;
}

std::vector<SSHKey> FakeVaultStore::changePassphrase(const ChangePassphraseOptions& options) {
    auto lock = enter({.op = Op::changePassphrase, .id = options.keyId});
    auto it = std::find_if(data_.keys.begin(), data_.keys.end(),
                           [&](const SSHKey& k) { return k.id == options.keyId; });
    if (it == data_.keys.end())
        throw VaultError::keyNotFound(options.keyId);
    it->hasPassphrase = !options.newPassphrase.empty();
    return data_.keys;
}

// Returns the defaults as read back: marked with the file they now live in.
Defaults FakeVaultStore::saveConfigDefaults(const Defaults& defaults,
                                            const KeyIdToPath& keyIdToPath) {
    auto lock =
        enter({.op = Op::saveConfigDefaults, .keyIdToPath = keyIdToPath, .defaults = defaults});
    data_.defaults = defaults;
    data_.defaults.sourceFile = "~/.ssh/config";
    return data_.defaults;
}

} // namespace moorkeep::test
