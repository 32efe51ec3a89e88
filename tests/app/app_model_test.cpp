#include "app_model.h"
#include "model/vault_error.h"
#include "store_error.h"
#include "support/app_harness.h"
#include "support/app_test_main.h"

#include <QSignalSpy>
#include <QtTest>
#include <thread>

using namespace moorkeep;
using namespace moorkeep::test;
using Op = FakeVaultStore::Op;

namespace {

bool finished(const QFuture<void>& future) {
    return QTest::qWaitFor([&] { return future.isFinished(); }, 5000);
}

// The message a finished operation failed with, or a null string.
QString failureOf(QFuture<void> future) {
    try {
        future.waitForFinished();
    } catch (const StoreError& error) {
        return error.message();
    }
    return {};
}

QStringList aliases(const std::vector<SSHHost>& hosts) {
    QStringList list;
    for (const auto& host : hosts)
        list << QString::fromStdString(host.alias);
    return list;
}

QStringList names(const std::vector<SSHKey>& keys) {
    QStringList list;
    for (const auto& key : keys)
        list << QString::fromStdString(key.name);
    return list;
}

GenerateKeyOptions generateOptions(const std::string& name) {
    GenerateKeyOptions options;
    options.name = name;
    options.type = "ed25519";
    return options;
}

ChangePassphraseOptions passphraseChange(const std::string& keyId, const std::string& next) {
    ChangePassphraseOptions options;
    options.keyId = keyId;
    options.newPassphrase = next;
    return options;
}

Defaults defaultsWithUser(const std::string& user) {
    Defaults defaults;
    defaults.user = user;
    return defaults;
}

std::optional<std::string> optionalText(const QString& text) {
    if (text.isNull())
        return std::nullopt;
    return text.toStdString();
}

} // namespace

class AppModelTest : public QObject {
    Q_OBJECT

private:
    // A harness whose model holds the sample snapshot.
    static std::unique_ptr<AppHarness> loaded() {
        auto harness = std::make_unique<AppHarness>();
        auto load = harness->model->load();
        if (!finished(load))
            qFatal("the first load did not finish");
        return harness;
    }

private slots:
    void startsLoadingWithEmptyLists() {
        AppHarness h;
        QCOMPARE(h.model->tab(), AppTab::hosts);
        QVERIFY(h.model->hosts().empty());
        QVERIFY(h.model->keys().empty());
        QCOMPARE(h.model->defaults(), Defaults{});
        QCOMPARE(h.model->defaults().port, 22);
        QVERIFY(h.model->isLoading());
        QVERIFY(!h.model->errorMessage());
        QVERIFY(h.store->calls().empty());
    }

    void loadPublishesTheSnapshotInOrder() {
        AppHarness h;
        QStringList order;
        connect(h.model.get(), &AppModel::hostsChanged, [&] { order << u"hosts"_qs; });
        connect(h.model.get(), &AppModel::keysChanged, [&] { order << u"keys"_qs; });
        connect(h.model.get(), &AppModel::defaultsChanged, [&] { order << u"defaults"_qs; });
        connect(h.model.get(), &AppModel::isLoadingChanged, [&] { order << u"isLoading"_qs; });

        QVERIFY(finished(h.model->load()));

        QCOMPARE(order, (QStringList{u"hosts"_qs, u"keys"_qs, u"defaults"_qs, u"isLoading"_qs}));
        QCOMPARE(h.model->hosts(), sampleVault().hosts);
        QCOMPARE(h.model->keys(), sampleVault().keys);
        QCOMPARE(h.model->defaults(), sampleVault().defaults);
        QVERIFY(!h.model->isLoading());
    }

    void loadRunsOffTheUserInterfaceThread() {
        AppHarness h;
        h.store->hold(Op::loadData);

        auto load = h.model->load();

        QTRY_VERIFY(h.store->isHeld(Op::loadData));
        QVERIFY(!load.isFinished());
        QVERIFY(h.model->isLoading());
        QVERIFY(h.store->calls(Op::loadData).at(0).thread != std::this_thread::get_id());
        h.store->release(Op::loadData);
        QVERIFY(finished(load));
        QVERIFY(!h.model->isLoading());
    }

    void failedFirstLoadEndsLoadingAndReports() {
        AppHarness h;
        h.store->fail(Op::loadData, "Permission denied: ~/.ssh/config");
        QSignalSpy errors(h.model.get(), &AppModel::errorMessageChanged);

        QVERIFY(finished(h.model->load()));

        QVERIFY(!h.model->isLoading());
        QVERIFY(h.model->hosts().empty());
        QVERIFY(h.model->keys().empty());
        QCOMPARE(h.model->errorMessage(), u"Permission denied: ~/.ssh/config"_qs);
        QCOMPARE(errors.count(), 1);
    }

    void laterLoadKeepsDataOnFailureAndNeverShowsLoadingAgain() {
        auto h = loaded();
        QSignalSpy loading(h->model.get(), &AppModel::isLoadingChanged);
        h->store->fail(Op::loadData, "Input/output error");
        h->store->hold(Op::loadData);

        auto load = h->model->load();
        QTRY_VERIFY(h->store->isHeld(Op::loadData));
        QVERIFY(!h->model->isLoading());
        h->store->release(Op::loadData);
        QVERIFY(finished(load));

        QCOMPARE(h->model->hosts(), sampleVault().hosts);
        QCOMPARE(h->model->keys(), sampleVault().keys);
        QCOMPARE(h->model->errorMessage(), u"Input/output error"_qs);
        QCOMPARE(loading.count(), 0);
    }

    void saveHostChoosesTheStoreOperation_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("fromConfig");
        QTest::addColumn<int>("expectedOp");
        QTest::addColumn<QString>("expectedOriginalAlias");

        QTest::newRow("configuration host renamed")
            << u"cfg-web"_qs << true << int(Op::saveConfigHost) << u"web"_qs;
        QTest::newRow("configuration host not in the list")
            << u"cfg-gone"_qs << true << int(Op::saveConfigHost) << QString();
        QTest::newRow("stored host")
            << u"USER-backup"_qs << false << int(Op::saveHost) << QString();
        QTest::newRow("new host") << QString() << false << int(Op::saveHost) << QString();
    }

    void saveHostChoosesTheStoreOperation() {
        QFETCH(QString, id);
        QFETCH(bool, fromConfig);
        QFETCH(int, expectedOp);
        QFETCH(QString, expectedOriginalAlias);
        auto h = loaded();
        SSHHost host = configHost("renamed");
        host.id = id.toStdString();
        host.source = fromConfig ? HostSource::config : HostSource::user;

        QVERIFY(finished(h->model->saveHost(host)));

        auto calls = h->store->calls(Op(expectedOp));
        QCOMPARE(calls.size(), 1u);
        QCOMPARE(calls[0].host, host);
        QCOMPARE(calls[0].originalAlias, optionalText(expectedOriginalAlias));
        KeyIdToPath keyMap{{"key-id_ed25519", "~/.ssh/id_ed25519"},
                           {"key-id_work", "~/.ssh/id_work"}};
        QCOMPARE(calls[0].keyIdToPath, keyMap);
        QVERIFY(!h->model->errorMessage());
    }

    void editedHostIsReplacedInPlaceWhileTheStoreWorks() {
        auto h = loaded();
        SSHHost edited = h->model->hosts()[1];
        edited.hostname = "db2.example.org";
        h->store->hold(Op::saveConfigHost);

        auto save = h->model->saveHost(edited);

        QCOMPARE(aliases(h->model->hosts()), (QStringList{u"web"_qs, u"db"_qs, u"backup"_qs}));
        QCOMPARE(h->model->hosts()[1], edited);
        h->store->release(Op::saveConfigHost);
        QVERIFY(finished(save));
        QCOMPARE(h->model->hosts().size(), 3u);
        QCOMPARE(h->model->hosts()[1], edited);
    }

    void newHostAppearsAtTheEndOnceStored() {
        auto h = loaded();
        SSHHost added = userHost("staging");
        added.id.clear();
        h->store->hold(Op::saveHost);

        auto save = h->model->saveHost(added);

        QTRY_VERIFY(h->store->isHeld(Op::saveHost));
        QCOMPARE(h->model->hosts(), sampleVault().hosts);
        h->store->release(Op::saveHost);
        QVERIFY(finished(save));
        QCOMPARE(aliases(h->model->hosts()),
                 (QStringList{u"web"_qs, u"db"_qs, u"backup"_qs, u"staging"_qs}));
        QCOMPARE(h->model->hosts().back().id, "STORED-1");
    }

    void failedSaveRestoresTheHostsAndReports() {
        auto h = loaded();
        SSHHost edited = h->model->hosts()[0];
        edited.alias = "www";
        h->store->fail(Op::saveConfigHost, "No space left on device");

        QVERIFY(finished(h->model->saveHost(edited)));

        QCOMPARE(h->model->hosts(), sampleVault().hosts);
        QCOMPARE(h->model->errorMessage(), u"No space left on device"_qs);
    }

    void deleteHostChoosesTheStoreOperation_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expectedOp");
        QTest::newRow("configuration host") << 0 << int(Op::deleteConfigHost);
        QTest::newRow("stored host") << 2 << int(Op::deleteHost);
    }

    void deleteHostChoosesTheStoreOperation() {
        QFETCH(int, index);
        QFETCH(int, expectedOp);
        auto h = loaded();
        SSHHost host = h->model->hosts()[index];

        QVERIFY(finished(h->model->deleteHost(host)));

        auto calls = h->store->calls(Op(expectedOp));
        QCOMPARE(calls.size(), 1u);
        if (Op(expectedOp) == Op::deleteHost)
            QCOMPARE(calls[0].id, host.id);
        else
            QCOMPARE(calls[0].host, host);
        QCOMPARE(h->model->hosts().size(), 2u);
        QVERIFY(!h->model->errorMessage());
    }

    void failedDeletePutsTheHostBackAtItsPosition() {
        auto h = loaded();
        h->store->hold(Op::deleteConfigHost);
        h->store->fail(Op::deleteConfigHost, "Operation not permitted");

        auto remove = h->model->deleteHost(h->model->hosts()[1]);

        QCOMPARE(aliases(h->model->hosts()), (QStringList{u"web"_qs, u"backup"_qs}));
        h->store->release(Op::deleteConfigHost);
        QVERIFY(finished(remove));
        QCOMPARE(aliases(h->model->hosts()), (QStringList{u"web"_qs, u"db"_qs, u"backup"_qs}));
        QCOMPARE(h->model->errorMessage(), u"Operation not permitted"_qs);
    }

    // The restore puts back the list as it was when the failed operation
    // began, dropping what finished meanwhile.
    void failureRestoresTheListOfItsStart() {
        auto h = loaded();
        h->store->hold(Op::deleteConfigHost);
        h->store->fail(Op::deleteConfigHost, "Read-only file system");
        auto first = h->model->deleteHost(h->model->hosts()[0]);
        QVERIFY(finished(h->model->deleteHost(h->model->hosts()[1])));
        QCOMPARE(aliases(h->model->hosts()), QStringList{u"db"_qs});

        h->store->release(Op::deleteConfigHost);
        QVERIFY(finished(first));

        QCOMPARE(aliases(h->model->hosts()), (QStringList{u"web"_qs, u"db"_qs, u"backup"_qs}));
    }

    void renameShowsTheNameAtOnceAndRestoresOnFailure() {
        auto h = loaded();
        SSHKey renamed = h->model->keys()[1];
        renamed.name = "Office";
        renamed.path = "~/.ssh/ignored";
        h->store->hold(Op::saveKeyMeta);
        h->store->fail(Op::saveKeyMeta, "Disk quota exceeded");

        auto rename = h->model->renameKey(renamed);

        QCOMPARE(names(h->model->keys()), (QStringList{u"Laptop"_qs, u"Office"_qs}));
        QCOMPARE(h->model->keys()[1].path, "~/.ssh/id_work");
        h->store->release(Op::saveKeyMeta);
        QVERIFY(finished(rename));
        QCOMPARE(h->model->keys(), sampleVault().keys);
        QCOMPARE(h->model->errorMessage(), u"Disk quota exceeded"_qs);
        QCOMPARE(h->store->calls(Op::saveKeyMeta).at(0).key, renamed);
    }

    void deleteKeyRemovesAtOnceAndRestoresOnFailure() {
        auto h = loaded();
        h->store->hold(Op::deleteKeyMeta);
        h->store->fail(Op::deleteKeyMeta, "Permission denied");

        auto remove = h->model->deleteKey(h->model->keys()[0]);

        QCOMPARE(names(h->model->keys()), QStringList{u"Work"_qs});
        h->store->release(Op::deleteKeyMeta);
        QVERIFY(finished(remove));
        QCOMPARE(h->model->keys(), sampleVault().keys);
        QCOMPARE(h->model->errorMessage(), u"Permission denied"_qs);
        QCOMPARE(h->store->calls(Op::deleteKeyMeta).at(0).id, "key-id_ed25519");
    }

    void refreshKeysTakesTheStoresList() {
        auto h = loaded();
        auto data = h->store->data();
        data.keys.push_back(sampleKey("id_rsa", "Old"));
        h->store->setData(data);

        QVERIFY(finished(h->model->refreshKeys()));
        QCOMPARE(names(h->model->keys()), (QStringList{u"Laptop"_qs, u"Work"_qs, u"Old"_qs}));

        h->store->fail(Op::rescanKeys, "Too many open files");
        QVERIFY(finished(h->model->refreshKeys()));
        QCOMPARE(h->model->keys().size(), 3u);
        QCOMPARE(h->model->errorMessage(), u"Too many open files"_qs);
    }

    void generateKeyNamesTheNewKey_data() {
        QTest::addColumn<QString>("keyName");
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("expectedPath");
        QTest::addColumn<QString>("expectedName");

        QTest::newRow("no display name") << u"id_ed25519_ci"_qs << QString()
                                         << u"~/.ssh/id_ed25519_ci"_qs << u"id_ed25519_ci"_qs;
        QTest::newRow("empty display name")
            << u"deploy"_qs << u""_qs << u"~/.ssh/deploy"_qs << u"deploy"_qs;
        QTest::newRow("name with a space") << u"id_ed25519 work"_qs << u"Work laptop"_qs
                                           << u"~/.ssh/id_ed25519_work"_qs << u"Work laptop"_qs;
        QTest::newRow("non-ASCII typed name") << u"clé ünï"_qs << u"Clé de travail"_qs
                                              << u"~/.ssh/cl___n_"_qs << u"Clé de travail"_qs;
    }

    void generateKeyNamesTheNewKey() {
        QFETCH(QString, keyName);
        QFETCH(QString, displayName);
        QFETCH(QString, expectedPath);
        QFETCH(QString, expectedName);
        auto h = loaded();
        GenerateKeyOptions options = generateOptions(keyName.toStdString());

        auto generate = h->model->generateKey(options, optionalText(displayName));

        QVERIFY(finished(generate));
        QCOMPARE(failureOf(generate), QString());
        QCOMPARE(h->model->keys().size(), 3u);
        const SSHKey& added = h->model->keys().back();
        QCOMPARE(QString::fromStdString(added.path), expectedPath);
        QCOMPARE(QString::fromStdString(added.name), expectedName);
        auto namings = h->store->calls(Op::saveKeyMeta);
        QCOMPARE(namings.size(), displayName.isEmpty() ? 0u : 1u);
        if (!namings.empty()) {
            QCOMPARE(namings[0].key.id, added.id);
            QCOMPARE(QString::fromStdString(namings[0].key.name), displayName);
        }
        QVERIFY(!h->model->errorMessage());
    }

    void generateKeyFailureGoesToTheCaller() {
        auto h = loaded();
        QSignalSpy errors(h->model.get(), &AppModel::errorMessageChanged);
        QSignalSpy keys(h->model.get(), &AppModel::keysChanged);

        auto generate = h->model->generateKey(generateOptions("id_work"), std::string("Work"));

        QVERIFY(finished(generate));
        QCOMPARE(failureOf(generate), u"A key named \"id_work\" already exists in ~/.ssh"_qs);
        QVERIFY(!h->model->errorMessage());
        QCOMPARE(errors.count(), 0);
        QCOMPARE(keys.count(), 0);
    }

    void failedNamingLeavesTheKeysAsTheyWere() {
        auto h = loaded();
        h->store->fail(Op::saveKeyMeta, "Disk full");

        auto generate = h->model->generateKey(generateOptions("id_new"), std::string("New"));

        QVERIFY(finished(generate));
        QCOMPARE(failureOf(generate), u"Disk full"_qs);
        QCOMPARE(h->model->keys(), sampleVault().keys);
        QVERIFY(!h->model->errorMessage());
    }

    void changePassphraseUpdatesTheKeysOrFailsToTheCaller() {
        auto h = loaded();

        QVERIFY(finished(h->model->changePassphrase(passphraseChange("key-id_work", "s3cret"))));
        QCOMPARE(h->model->keys()[1].hasPassphrase, std::optional<bool>(true));

        auto unknown = h->model->changePassphrase(passphraseChange("nope", ""));
        QVERIFY(finished(unknown));
        QCOMPARE(failureOf(unknown), u"Key nope not found in ~/.ssh"_qs);
        QVERIFY(!h->model->errorMessage());
    }

    void saveDefaultsReplacesHostsButNotKeys() {
        auto h = loaded();
        auto data = h->store->data();
        data.hosts.push_back(configHost("new-from-disk"));
        data.keys.push_back(sampleKey("id_other", "Other"));
        h->store->setData(data);
        Defaults defaults = defaultsWithUser("ops");
        defaults.keyId = "key-id_work";

        QVERIFY(finished(h->model->saveDefaults(defaults)));

        Defaults expected = defaults;
        expected.sourceFile = "~/.ssh/config";
        QCOMPARE(h->model->defaults(), expected);
        QCOMPARE(h->model->hosts().size(), 4u);
        QCOMPARE(h->model->keys(), sampleVault().keys);
        auto calls = h->store->calls();
        QCOMPARE(calls.back().op, Op::loadData);
        QCOMPARE(calls[calls.size() - 2].op, Op::saveConfigDefaults);
        QCOMPARE(calls[calls.size() - 2].keyIdToPath.at("key-id_work"), "~/.ssh/id_work");
    }

    void failedDefaultsSaveSkipsTheReload() {
        auto h = loaded();
        h->store->fail(Op::saveConfigDefaults, "Permission denied");

        QVERIFY(finished(h->model->saveDefaults(defaultsWithUser("ops"))));

        QCOMPARE(h->model->defaults(), sampleVault().defaults);
        QCOMPARE(h->model->errorMessage(), u"Permission denied"_qs);
        QCOMPARE(h->store->calls(Op::loadData).size(), 1u);
    }

    void failedReloadAfterDefaultsKeepsTheSavedDefaults() {
        auto h = loaded();
        h->store->fail(Op::loadData, "Input/output error");

        QVERIFY(finished(h->model->saveDefaults(defaultsWithUser("ops"))));

        QCOMPARE(h->model->defaults().user, "ops");
        QCOMPARE(h->model->hosts(), sampleVault().hosts);
        QCOMPARE(h->model->errorMessage(), u"Input/output error"_qs);
    }

    void newerErrorReplacesTheOlderOne() {
        auto h = loaded();
        h->store->fail(Op::rescanKeys, "first");
        QVERIFY(finished(h->model->refreshKeys()));
        h->store->fail(Op::rescanKeys, "second");
        QVERIFY(finished(h->model->refreshKeys()));
        QCOMPARE(h->model->errorMessage(), u"second"_qs);

        QSignalSpy errors(h->model.get(), &AppModel::errorMessageChanged);
        h->model->clearErrorMessage();
        QVERIFY(!h->model->errorMessage());
        QCOMPARE(errors.count(), 1);
    }

    void queriesReadTheCurrentLists() {
        VaultData data = sampleVault();
        SSHKey twin = sampleKey("id_twin", "Twin");
        twin.id = "key-id_work";
        data.keys.push_back(twin);
        data.hosts.push_back(configHost("ci", "key-id_work"));
        AppHarness h(data);
        QVERIFY(finished(h.model->load()));

        QCOMPARE(h.model->keyWithId("key-id_work")->name, "Work");
        QVERIFY(!h.model->keyWithId("key-unknown"));
        QCOMPARE(aliases(h.model->hostsUsingKey("key-id_work")), (QStringList{u"db"_qs, u"ci"_qs}));
        QCOMPARE(h.model->keyIdToPath().at("key-id_work"), "~/.ssh/id_twin");
        QCOMPARE(h.model->keyIdToPath().size(), 2u);
    }

    // A result that arrives after the model is gone is dropped, and the
    // caller's future ends cancelled instead of waiting for ever.
    void resultForAGoneModelIsDropped() {
        AppHarness h;
        h.store->hold(Op::loadData);
        auto load = h.model->load();
        QTRY_VERIFY(h.store->isHeld(Op::loadData));

        h.store->release(Op::loadData);
        h.model.reset();

        QVERIFY(load.isFinished());
        QVERIFY(load.isCanceled());
    }
};

MOORKEEP_APP_TEST_MAIN(AppModelTest)

#include "app_model_test.moc"
