#pragma once

#include "keys/key_file_name.h"
#include "model/app_model.h"
#include "stores/vault_store.h"
#include "support/temp_dir.h"
#include "support/test_home.h"
#include "window/content_view.h"

#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <condition_variable>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace moorkeep::test {

// Runs a Qt Test object in a test home of its own, made before the
// application object so that Qt reads no real folder either.
template <typename TestObject> int runAppTest(int argc, char** argv) {
    const TestHome home;
    QApplication application(argc, argv);
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

// The test classes of a program of several files, by name: each file
// registers its own with MOORKEEP_APP_TEST, and the program's main
// (support/app_test_main.cpp) runs the one named first in a home of its own.
using AppTestRun = int (*)(int argc, char** argv);
inline std::map<std::string, AppTestRun>& appTests() {
    static std::map<std::string, AppTestRun> tests;
    return tests;
}
template <typename TestObject> int runTestObject(int argc, char** argv) {
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}
struct AppTestRegistration {
    AppTestRegistration(const char* name, AppTestRun run) { appTests().emplace(name, run); }
};

// A data-driven test's one column "row", holding rows that each carry their
// name in the field name (Row needs Q_DECLARE_METATYPE).
template <typename Row> void addRows(std::initializer_list<Row> rows) {
    QTest::addColumn<Row>("row");
    for (const Row& row : rows)
        QTest::newRow(row.name) << row;
}

// The texts of the parent's children of that name, in their order.
template <typename T = QLabel> QStringList texts(const QObject* parent, const QString& name) {
    QStringList shown;
    for (const T* child : parent->findChildren<T*>(name))
        shown << child->text();
    return shown;
}

// The first column of every row, as displayed.
inline QStringList rows(const QAbstractItemModel* model) {
    QStringList shown;
    for (int row = 0; row < model->rowCount(); ++row)
        shown << model->index(row, 0).data().toString();
    return shown;
}

inline QStringList strings(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

inline SSHHost configHost(const std::string& alias, std::optional<std::string> keyId = {}) {
    SSHHost host;
    host.id = "cfg-" + alias;
    host.alias = alias;
    host.hostname = alias + ".example.org";
    host.keyId = std::move(keyId);
    return host;
}

// Replaces the field's text as typing would.
inline void type(QLineEdit* field, const QString& text) {
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, text);
}

inline SSHKey sampleKey(const std::string& file, const std::string& name) {
    return {.id = "key-" + file,
            .name = name,
            .path = "~/.ssh/" + file,
            .type = "ed25519",
            .fingerprint = "SHA256:" + file,
            .publicKey = "ssh-ed25519 AAAA " + file,
            .hasPassphrase = false,
            .createdAt = "2024-01-02"};
}

// An in-memory store whose calls a test can hold (they block until released)
// and fail on demand. Records every call with its arguments. Host and key
// changes that succeed change its data, so a test can compare the model's
// lists with what the store holds.
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
        recreatePublicKey,
        saveConfigDefaults
    };

    struct Call {
        Op op = Op::loadData;
        SSHHost host{};
        SSHKey key{};
        std::string id{}; // of the host or key the call is about
        std::optional<std::string> originalAlias{};
        KeyIdToPath keyIdToPath{};
        bool evenIfUsed = false;  // of a key deletion
        std::string passphrase{}; // of a public key re-created
    };

    explicit FakeVaultStore(VaultData data)
        : data_(std::move(data)) {}

    // Calls of op block from now on until release(op).
    void hold(Op op) {
        std::lock_guard lock(mutex_);
        held_.insert(op);
    }
    void release(Op op) {
        std::lock_guard lock(mutex_);
        held_.erase(op);
        released_.notify_all();
    }
    void releaseAll() {
        std::lock_guard lock(mutex_);
        held_.clear();
        released_.notify_all();
    }
    // Whether a call of op is blocked right now.
    bool isHeld(Op op) const {
        std::lock_guard lock(mutex_);
        return waiting_.count(op) > 0;
    }
    // Every later call of op throws std::runtime_error(message).
    void fail(Op op, const std::string& message) {
        std::lock_guard lock(mutex_);
        failures_[op] = message;
    }
    // The next change's notices (takeNotices) will hold this one.
    void tell(const std::string& notice) {
        std::lock_guard lock(mutex_);
        notices_.push_back(notice);
    }
    // Later calls of op succeed again.
    void succeed(Op op) {
        std::lock_guard lock(mutex_);
        failures_.erase(op);
    }
    void setData(VaultData data) {
        std::lock_guard lock(mutex_);
        data_ = std::move(data);
    }
    std::vector<Call> calls(Op op) const {
        std::lock_guard lock(mutex_);
        std::vector<Call> matching;
        std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(matching),
                     [&](const Call& call) { return call.op == op; });
        return matching;
    }

    VaultData loadData() override {
        auto lock = enter({.op = Op::loadData});
        return data_;
    }
    SSHHost saveHost(const SSHHost& host, const KeyIdToPath& keyIdToPath) override {
        auto lock = enter({.op = Op::saveHost, .host = host, .keyIdToPath = keyIdToPath});
        SSHHost saved = host;
        if (saved.id.empty())
            saved.id = "STORED-" + std::to_string(++stored_);
        upsert(data_.hosts, saved);
        return saved;
    }
    SSHHost saveConfigHost(const SSHHost& host, const std::optional<std::string>& originalAlias,
                           const KeyIdToPath& keyIdToPath) override {
        auto lock = enter({.op = Op::saveConfigHost,
                           .host = host,
                           .originalAlias = originalAlias,
                           .keyIdToPath = keyIdToPath});
        upsert(data_.hosts, host);
        return host;
    }
    void deleteHost(const std::string& id, const KeyIdToPath& keyIdToPath) override {
        auto lock = enter({.op = Op::deleteHost, .id = id, .keyIdToPath = keyIdToPath});
        std::erase_if(data_.hosts, [&](const SSHHost& h) { return h.id == id; });
    }
    void deleteConfigHost(const SSHHost& host) override {
        auto lock = enter({.op = Op::deleteConfigHost, .host = host});
        std::erase_if(data_.hosts, [&](const SSHHost& h) { return h.id == host.id; });
    }
    void saveKeyMeta(const SSHKey& key) override {
        auto lock = enter({.op = Op::saveKeyMeta, .key = key, .id = key.id});
        for (auto& k : data_.keys)
            if (k.id == key.id)
                k.name = key.name;
    }
    void deleteKeyMeta(const std::string& id, const DeleteKeyOptions& options) override {
        auto lock = enter({.op = Op::deleteKeyMeta, .id = id, .evenIfUsed = options.evenIfUsed});
        std::erase_if(data_.keys, [&](const SSHKey& k) { return k.id == id; });
    }
    VaultData data() const {
        std::lock_guard lock(mutex_);
        return data_;
    }
    std::vector<SSHKey> rescanKeys() override {
        auto lock = enter({.op = Op::rescanKeys});
        return data_.keys;
    }
    // Like the system store: the file name is the sanitized key name, and the
    // key's own name starts out as that file name.
    std::vector<SSHKey> generateKey(const GenerateKeyOptions& options) override {
        auto lock = enter({.op = Op::generateKey});
        std::string file = sanitizeKeyFileName(options.name);
        data_.keys.push_back(sampleKey(file, file));
        return data_.keys;
    }
    std::vector<SSHKey> changePassphrase(const ChangePassphraseOptions&) override {
        auto lock = enter({.op = Op::changePassphrase});
        return data_.keys;
    }
    std::vector<SSHKey> recreatePublicKey(const RecreatePublicKeyOptions& options) override {
        auto lock = enter(
            {.op = Op::recreatePublicKey, .id = options.keyId, .passphrase = options.passphrase});
        for (auto& k : data_.keys)
            if (k.id == options.keyId)
                k.publicKeyMissing = false;
        return data_.keys;
    }
    // Kept, as the real stores keep it.
    std::optional<std::string> preferredTerminal() override {
        std::lock_guard lock(mutex_);
        return preferredTerminal_;
    }
    void setPreferredTerminal(const std::optional<std::string>& commandLine) override {
        std::lock_guard lock(mutex_);
        preferredTerminal_ = commandLine;
    }
    // Returns the defaults as read back: marked with the file they now live in.
    Defaults saveConfigDefaults(const Defaults& defaults, const KeyIdToPath& keyIdToPath) override {
        auto lock = enter({.op = Op::saveConfigDefaults, .keyIdToPath = keyIdToPath});
        data_.defaults = defaults;
        data_.defaults.sourceFile = "~/.ssh/config";
        return data_.defaults;
    }

    std::vector<std::string> takeNotices() override {
        std::lock_guard lock(mutex_);
        return std::exchange(notices_, {});
    }

private:
    template <typename Item> static void upsert(std::vector<Item>& list, const Item& item) {
        auto it = std::ranges::find(list, item.id, &Item::id);
        if (it != list.end())
            *it = item;
        else
            list.push_back(item);
    }

    // Records the call, waits while op is held, throws a scripted failure.
    // Returns with the lock held so the operation can touch the data.
    std::unique_lock<std::mutex> enter(Call call) {
        std::unique_lock lock(mutex_);
        Op op = call.op;
        if (call.id.empty())
            call.id = call.host.id;
        calls_.push_back(std::move(call));
        auto waiting = waiting_.insert(op);
        released_.wait(lock, [&] { return !held_.contains(op); });
        waiting_.erase(waiting);
        if (auto failure = failures_.find(op); failure != failures_.end())
            throw std::runtime_error(failure->second);
        return lock;
    }

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::set<Op> held_;
    std::multiset<Op> waiting_;
    std::map<Op, std::string> failures_;
    std::vector<Call> calls_;
    VaultData data_;
    std::optional<std::string> preferredTerminal_;
    std::vector<std::string> notices_;
    int stored_ = 0;
};

// Hosts web and db from the configuration (using keys id_ed25519 "Laptop" and
// id_work "Work"), host backup stored by the application, and defaults.
inline VaultData sampleVault() {
    VaultData data;
    data.keys = {sampleKey("id_ed25519", "Laptop"), sampleKey("id_work", "Work")};
    SSHHost backup = configHost("backup");
    backup.id = "USER-backup";
    backup.source = HostSource::user;
    data.hosts = {configHost("web", "key-id_ed25519"), configHost("db", "key-id_work"), backup};
    data.defaults.user = "me";
    return data;
}

// A fresh fake store on the sample vault and a model on it. Held calls are
// released before the model goes, as the model waits for its running calls.
struct AppHarness {
    AppHarness()
        : store(std::make_shared<FakeVaultStore>(sampleVault()))
        , model(std::make_unique<AppModel>(store)) {}

    ~AppHarness() {
        store->releaseAll();
        model.reset();
    }

    std::shared_ptr<FakeVaultStore> store;
    std::unique_ptr<AppModel> model;
};

// A fake store on the data, a model on it showing the tab, and the main
// window on the model, not shown yet. The window goes first.
struct WindowHarness : AppHarness {
    explicit WindowHarness(VaultData data = sampleVault(), AppTab tab = AppTab::hosts) {
        store->setData(std::move(data));
        view = std::make_unique<ContentView>(*model);
        model->setTab(tab);
    }

    ~WindowHarness() {
        store->releaseAll();
        view.reset();
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return view->findChild<T*>(name);
    }
    QAction* action(const QString& name) const { return find<QAction>(name); }

    // Shows the window as the active one and waits for the first load.
    void showLoaded() {
        view->show();
        QApplication::setActiveWindow(view.get());
        if (!QTest::qWaitForWindowActive(view.get()) ||
            !QTest::qWaitFor([&] { return !model->isLoading(); }, 5000))
            qFatal("the window did not come up");
    }

    std::unique_ptr<ContentView> view;
};

// The main window on a store of the test's choosing (most often the system
// store of the test's home), shown, made the active one and loaded.
struct StoreWindow {
    explicit StoreWindow(std::shared_ptr<VaultStore> store, AppTab tab = AppTab::hosts)
        : model(std::move(store))
        , view(model) {
        model.setTab(tab);
        view.show();
        QApplication::setActiveWindow(&view);
        if (!QTest::qWaitFor([&] { return !model.isLoading(); }, 5000))
            qFatal("the window did not load");
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return view.findChild<T*>(name);
    }
    const SSHHost* host(const std::string& alias) const {
        for (const auto& host : model.hosts())
            if (host.alias == alias)
                return &host;
        return nullptr;
    }

    AppModel model;
    ContentView view;
};

using Op = FakeVaultStore::Op;

} // namespace moorkeep::test

// Every application test is written in the application's names and these.
using namespace moorkeep;
using namespace moorkeep::test;

#define MOORKEEP_APP_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char** argv) {                                                              \
        return moorkeep::test::runAppTest<TestObject>(argc, argv);                                 \
    }

#define MOORKEEP_APP_TEST(TestObject)                                                              \
    static const moorkeep::test::AppTestRegistration registered##TestObject(                       \
        #TestObject, moorkeep::test::runTestObject<TestObject>)
