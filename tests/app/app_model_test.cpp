#include "store_error.h"
#include "support/app_test.h"

#include <QSignalSpy>

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

// The hosts' aliases or the keys' names, separated by spaces.
QString aliases(const std::vector<SSHHost>& hosts) {
    QStringList list;
    for (const auto& host : hosts)
        list << QString::fromStdString(host.alias);
    return list.join(u' ');
}

QString names(const std::vector<SSHKey>& keys) {
    QStringList list;
    for (const auto& key : keys)
        list << QString::fromStdString(key.name);
    return list.join(u' ');
}

std::optional<std::string> optionalText(const QString& text) {
    return text.isNull() ? std::nullopt : std::optional(text.toStdString());
}

// Starts what op does to the host or key at index: an edit or rename to
// "changed", or a delete.
QFuture<void> startChange(AppModel& model, Op op, int index) {
    SSHHost host = model.hosts()[index];
    SSHKey key = model.keys()[index];
    host.alias = key.name = "changed";
    switch (op) {
    case Op::saveConfigHost:
        return model.saveHost(host);
    case Op::deleteConfigHost:
        return model.deleteHost(host);
    case Op::saveKeyMeta:
        return model.renameKey(key);
    default:
        return model.deleteKey(key);
    }
}

} // namespace

class AppModelTest : public QObject {
    Q_OBJECT

private:
    // A harness whose model holds the sample vault.
    static std::unique_ptr<AppHarness> loaded() {
        auto harness = std::make_unique<AppHarness>();
        if (!finished(harness->model->load()))
            qFatal("the first load did not finish");
        return harness;
    }

private slots:
    void loadPublishesTheListsOrReports_data() {
        QTest::addColumn<bool>("fails");
        QTest::newRow("succeeds") << false;
        QTest::newRow("fails") << true;
    }

    void loadPublishesTheListsOrReports() {
        QFETCH(bool, fails);
        AppHarness h;
        QVERIFY(h.model->isLoading());
        if (fails)
            h.store->fail(Op::loadData, "Permission denied: ~/.ssh/config");
        bool listsWereIn = false;
        connect(h.model.get(), &AppModel::isLoadingChanged,
                [&] { listsWereIn = !h.model->hosts().empty() && !h.model->keys().empty(); });

        QVERIFY(finished(h.model->load()));

        QVERIFY(!h.model->isLoading());
        QCOMPARE(listsWereIn, !fails);
        QCOMPARE(h.model->hosts(), fails ? std::vector<SSHHost>{} : sampleVault().hosts);
        QCOMPARE(h.model->keys(), fails ? std::vector<SSHKey>{} : sampleVault().keys);
        QCOMPARE(h.model->errorMessage(),
                 fails ? std::optional(u"Permission denied: ~/.ssh/config"_qs) : std::nullopt);
    }

    // Which store call a host save or delete makes, and the list after it.
    // The list changes at once unless only the store knows the host's place.
    void hostChangesFollowTheSource_data() {
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("fromConfig");
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("originalAlias");
        QTest::addColumn<bool>("atOnce");
        QTest::addColumn<QString>("after");

        QTest::newRow("save renamed configuration host")
            << false << u"cfg-web"_qs << true << int(Op::saveConfigHost) << u"web"_qs << true
            << u"renamed db backup"_qs;
        QTest::newRow("save configuration host not in the list")
            << false << u"cfg-gone"_qs << true << int(Op::saveConfigHost) << QString() << false
            << u"web db backup renamed"_qs;
        QTest::newRow("save stored host")
            << false << u"USER-backup"_qs << false << int(Op::saveHost) << QString() << true
            << u"web db renamed"_qs;
        QTest::newRow("add host") << false << QString() << false << int(Op::saveHost) << QString()
                                  << false << u"web db backup renamed"_qs;
        QTest::newRow("delete configuration host")
            << true << u"cfg-db"_qs << true << int(Op::deleteConfigHost) << QString() << true
            << u"web backup"_qs;
        QTest::newRow("delete stored host")
            << true << u"USER-backup"_qs << false << int(Op::deleteHost) << QString() << true
            << u"web db"_qs;
    }

    void hostChangesFollowTheSource() {
        QFETCH(bool, remove);
        QFETCH(QString, id);
        QFETCH(bool, fromConfig);
        QFETCH(int, op);
        QFETCH(QString, originalAlias);
        QFETCH(bool, atOnce);
        QFETCH(QString, after);
        auto h = loaded();
        SSHHost host = configHost("renamed");
        host.id = id.toStdString();
        host.source = fromConfig ? HostSource::config : HostSource::user;
        h->store->hold(Op(op));

        auto change = remove ? h->model->deleteHost(host) : h->model->saveHost(host);

        QTRY_VERIFY(h->store->isHeld(Op(op)));
        QCOMPARE(aliases(h->model->hosts()), atOnce ? after : u"web db backup"_qs);
        h->store->release(Op(op));
        QVERIFY(finished(change));
        QCOMPARE(aliases(h->model->hosts()), after);
        for (const auto& listed : h->model->hosts())
            QVERIFY(!listed.id.empty());
        auto calls = h->store->calls(Op(op));
        QCOMPARE(calls.size(), 1u);
        QCOMPARE(calls[0].id, host.id);
        if (!remove)
            QCOMPARE(calls[0].host, host);
        QCOMPARE(calls[0].originalAlias, optionalText(originalAlias));
        if (Op(op) != Op::deleteConfigHost)
            QCOMPARE(calls[0].keyIdToPath, (KeyIdToPath{{"key-id_ed25519", "~/.ssh/id_ed25519"},
                                                        {"key-id_work", "~/.ssh/id_work"}}));
        QVERIFY(!h->model->errorMessage());
    }

    void changeShowsAtOnceAndFailureTakesItBack_data() {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("shown"); // host aliases, or key names for key calls
        QTest::newRow("edit host") << int(Op::saveConfigHost) << 1 << u"web changed backup"_qs;
        QTest::newRow("delete host") << int(Op::deleteConfigHost) << 1 << u"web backup"_qs;
        QTest::newRow("rename key") << int(Op::saveKeyMeta) << 1 << u"Laptop changed"_qs;
        QTest::newRow("delete key") << int(Op::deleteKeyMeta) << 0 << u"Work"_qs;
    }

    void changeShowsAtOnceAndFailureTakesItBack() {
        QFETCH(int, op);
        QFETCH(int, index);
        QFETCH(QString, shown);
        const bool onKeys = Op(op) == Op::saveKeyMeta || Op(op) == Op::deleteKeyMeta;
        auto h = loaded();
        h->store->hold(Op(op));
        h->store->fail(Op(op), "Disk quota exceeded");
        std::string id = onKeys ? h->model->keys()[index].id : h->model->hosts()[index].id;

        auto change = startChange(*h->model, Op(op), index);

        QCOMPARE(onKeys ? names(h->model->keys()) : aliases(h->model->hosts()), shown);
        QTRY_VERIFY(h->store->isHeld(Op(op)));
        h->store->release(Op(op));
        QVERIFY(finished(change));
        QCOMPARE(h->model->hosts(), sampleVault().hosts);
        QCOMPARE(h->model->keys(), sampleVault().keys);
        QCOMPARE(h->model->errorMessage(), u"Disk quota exceeded"_qs);
        QCOMPARE(h->store->calls(Op(op)).at(0).id, id);
    }

    // Two calls held at once, one failing: whichever answers first, the
    // failure takes back only its own change, and the lists end as the store
    // holds them.
    void overlappingCallsEndAsTheStoreHoldsThem_data() {
        QTest::addColumn<int>("failingOp");
        QTest::addColumn<int>("failingIndex");
        QTest::addColumn<int>("otherOp");
        QTest::addColumn<int>("otherIndex");
        QTest::addColumn<bool>("failureFirst");
        QTest::addColumn<QString>("after"); // host aliases, or key names for key calls

        for (bool failureFirst : {false, true}) {
            const char* order = failureFirst ? ", failure first" : ", failure last";
            QTest::addRow("failed delete, other host edited%s", order)
                << int(Op::deleteConfigHost) << 0 << int(Op::saveConfigHost) << 0 << failureFirst
                << u"web changed backup"_qs;
            QTest::addRow("failed edit, same host deleted%s", order)
                << int(Op::saveConfigHost) << 1 << int(Op::deleteConfigHost) << 1 << failureFirst
                << u"web backup"_qs;
            QTest::addRow("failed rename, other key deleted%s", order)
                << int(Op::saveKeyMeta) << 0 << int(Op::deleteKeyMeta) << 1 << failureFirst
                << u"Laptop"_qs;
            QTest::addRow("failed key delete, other key renamed%s", order)
                << int(Op::deleteKeyMeta) << 0 << int(Op::saveKeyMeta) << 0 << failureFirst
                << u"Laptop changed"_qs;
        }
    }

    void overlappingCallsEndAsTheStoreHoldsThem() {
        QFETCH(int, failingOp);
        QFETCH(int, failingIndex);
        QFETCH(int, otherOp);
        QFETCH(int, otherIndex);
        QFETCH(bool, failureFirst);
        QFETCH(QString, after);
        const bool onKeys = Op(failingOp) == Op::saveKeyMeta || Op(failingOp) == Op::deleteKeyMeta;
        auto h = loaded();
        h->store->hold(Op(failingOp));
        h->store->hold(Op(otherOp));
        h->store->fail(Op(failingOp), "Disk quota exceeded");

        auto failing = startChange(*h->model, Op(failingOp), failingIndex);
        auto other = startChange(*h->model, Op(otherOp), otherIndex);
        QTRY_VERIFY(h->store->isHeld(Op(failingOp)) && h->store->isHeld(Op(otherOp)));

        h->store->release(Op(failureFirst ? failingOp : otherOp));
        QVERIFY(finished(failureFirst ? failing : other));
        h->store->release(Op(failureFirst ? otherOp : failingOp));
        QVERIFY(finished(failing) && finished(other));

        auto shown = [&] { return onKeys ? names(h->model->keys()) : aliases(h->model->hosts()); };
        QCOMPARE(shown(), after);
        QTRY_COMPARE(h->model->hosts(), h->store->data().hosts);
        QTRY_COMPARE(h->model->keys(), h->store->data().keys);
        QCOMPARE(shown(), after);
        QCOMPARE(h->model->errorMessage(), u"Disk quota exceeded"_qs);
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
        QTest::newRow("display name") << u"id_ed25519 work"_qs << u"Work laptop"_qs
                                      << u"~/.ssh/id_ed25519_work"_qs << u"Work laptop"_qs;
    }

    void generateKeyNamesTheNewKey() {
        QFETCH(QString, keyName);
        QFETCH(QString, displayName);
        QFETCH(QString, expectedPath);
        QFETCH(QString, expectedName);
        auto h = loaded();
        GenerateKeyOptions options;
        options.name = keyName.toStdString();
        options.type = "ed25519";

        auto generate = h->model->generateKey(options, optionalText(displayName));

        QVERIFY(finished(generate));
        QCOMPARE(failureOf(generate), QString());
        QCOMPARE(h->model->keys().size(), 3u);
        QCOMPARE(QString::fromStdString(h->model->keys().back().path), expectedPath);
        QCOMPARE(QString::fromStdString(h->model->keys().back().name), expectedName);
        auto namings = h->store->calls(Op::saveKeyMeta);
        QCOMPARE(namings.size(), displayName.isEmpty() ? 0u : 1u);
        for (const auto& naming : namings)
            QCOMPARE(naming.key, h->model->keys().back());
        QVERIFY(!h->model->errorMessage());
    }

    // A change that went through says so in a line; one that failed does not.
    void successfulChangesSaySo_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("told");
        QTest::newRow("host saved") << 0 << false << u"Saved \u201cchanged\u201d"_qs;
        QTest::newRow("key renamed") << 1 << false << u"Renamed to \u201cchanged\u201d"_qs;
        QTest::newRow("passphrase set") << 2 << false << u"Passphrase of \u201cWork\u201d set"_qs;
        QTest::newRow("passphrase changed")
            << 3 << false << u"Passphrase of \u201cWork\u201d changed"_qs;
        QTest::newRow("passphrase removed")
            << 4 << false << u"Passphrase of \u201cWork\u201d removed"_qs;
        QTest::newRow("failed save") << 0 << true << QString();
        QTest::newRow("failed passphrase change") << 3 << true << QString();
    }

    void successfulChangesSaySo() {
        QFETCH(int, change);
        QFETCH(bool, fails);
        auto h = loaded();
        if (change == 3 || change == 4) {
            VaultData data = sampleVault();
            data.keys[1].hasPassphrase = true;
            h->store->setData(data);
            QVERIFY(finished(h->model->load()));
        }
        for (Op op : {Op::saveConfigHost, Op::saveKeyMeta, Op::changePassphrase})
            if (fails)
                h->store->fail(op, "No");
        QSignalSpy notices(h->model.get(), &AppModel::notified);
        QFuture<void> done;
        switch (change) {
        case 0:
        case 1:
            done = startChange(*h->model, change == 0 ? Op::saveConfigHost : Op::saveKeyMeta, 0);
            break;
        default:
            done = h->model->changePassphrase(
                {"key-id_work", change == 2 ? "" : "old", change == 4 ? "" : "new"});
        }
        QVERIFY(finished(done));
        QFETCH(QString, told);
        QCOMPARE(notices.size(), told.isNull() ? 0 : 1);
        if (!told.isNull())
            QCOMPARE(notices[0][0].toString(), told);
    }

    // These failures are for the dialog that asked, not for the alert.
    void keyToolFailuresGoToTheCaller() {
        auto h = loaded();
        QSignalSpy keys(h->model.get(), &AppModel::keysChanged);
        h->store->fail(Op::generateKey, "A key named \"id_work\" already exists in ~/.ssh");
        h->store->fail(Op::changePassphrase, "Wrong passphrase");

        GenerateKeyOptions generateOptions;
        generateOptions.name = "id_work";
        ChangePassphraseOptions changeOptions;
        changeOptions.keyId = "key-id_work";

        auto generate = h->model->generateKey(generateOptions, std::string("Work"));
        auto change = h->model->changePassphrase(changeOptions);

        QVERIFY(finished(generate) && finished(change));
        QCOMPARE(failureOf(generate), u"A key named \"id_work\" already exists in ~/.ssh"_qs);
        QCOMPARE(failureOf(change), u"Wrong passphrase"_qs);
        QVERIFY(!h->model->errorMessage());
        QCOMPARE(keys.count(), 0);
    }

    void saveDefaultsReplacesHostsButNotKeys() {
        auto h = loaded();
        VaultData onDisk = sampleVault();
        onDisk.hosts.push_back(configHost("new-from-disk"));
        onDisk.keys.push_back(sampleKey("id_other", "Other"));
        h->store->setData(onDisk);
        Defaults defaults;
        defaults.user = "ops";
        defaults.keyId = "key-id_work";

        QVERIFY(finished(h->model->saveDefaults(defaults)));

        defaults.sourceFile = "~/.ssh/config";
        QCOMPARE(h->model->defaults(), defaults);
        QCOMPARE(h->model->hosts(), onDisk.hosts);
        QCOMPARE(h->model->keys(), sampleVault().keys);
        QCOMPARE(h->store->calls(Op::saveConfigDefaults).at(0).keyIdToPath.at("key-id_work"),
                 "~/.ssh/id_work");
    }

    // Files the snapshot came from change on disk while a host call runs:
    // the reread waits for the call, and a reread that a call overlapped is
    // dropped and repeated, so that it never undoes the call.
    void rereadsWaitForCallsAndNeverUndoThem() {
        TempDir folder;
        writeFile(folder.file("config"), "Host web\n");
        VaultData onDisk = sampleVault();
        onDisk.sources = {.config = {.files = {folder.file("config")}, .folders = {}},
                          .keyFolder = folder.path(),
                          .metaFile = folder.file("meta.json")};
        auto h = std::make_unique<AppHarness>();
        h->store->setData(onDisk);
        QVERIFY(finished(h->model->load()));
        auto loads = [&] { return h->store->calls(Op::loadData).size(); };
        auto changeOnDisk = [&](const std::string& alias) {
            VaultData data = h->store->data();
            data.hosts.push_back(configHost(alias));
            h->store->setData(data);
            writeFile(folder.file("config"), "Host " + alias + "\n");
        };

        h->store->hold(Op::saveConfigHost);
        auto save = startChange(*h->model, Op::saveConfigHost, 1);
        QTRY_VERIFY(h->store->isHeld(Op::saveConfigHost));
        changeOnDisk("outside");
        QVERIFY(!QTest::qWaitFor([&] { return loads() > 1; }, 1000));
        h->store->release(Op::saveConfigHost);
        QVERIFY(finished(save));
        QTRY_COMPARE(aliases(h->model->hosts()), u"web changed backup outside"_qs);
        const auto afterFirst = loads();

        bool savedShown = false;
        bool changeLost = false;
        connect(h->model.get(), &AppModel::hostsChanged, [&] {
            const QString shown = aliases(h->model->hosts());
            savedShown = savedShown || shown.contains(u" db "_qs);
            changeLost = changeLost || (savedShown && shown.contains(u"changed"_qs));
        });
        h->store->hold(Op::loadData);
        changeOnDisk("later");
        QTRY_VERIFY_WITH_TIMEOUT(h->store->isHeld(Op::loadData), 5000);
        SSHHost db = h->model->hosts()[1];
        db.alias = "db";
        auto back = h->model->saveHost(db);
        h->store->release(Op::loadData);
        QVERIFY(finished(back));
        QTRY_COMPARE(h->model->hosts(), h->store->data().hosts);
        QCOMPARE(aliases(h->model->hosts()), u"web db backup outside later"_qs);
        QTRY_COMPARE(loads(), afterFirst + 3);
        QVERIFY(!changeLost);
        QCOMPARE(h->model->errorMessage(), std::nullopt);
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
