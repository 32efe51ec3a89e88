#include "model/list_calls.h"
#include "model/store_error.h"
#include "model/worker_threads.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

#include <sys/stat.h>

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

// The hosts' aliases, or the keys' names, separated by spaces.
QString shown(const AppModel& model, bool keys = false) {
    QStringList list;
    if (keys)
        for (const auto& key : model.keys())
            list << QString::fromStdString(key.name);
    else
        for (const auto& host : model.hosts())
            list << QString::fromStdString(host.alias);
    return list.join(u' ');
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

// A host save or delete of the host with id (renamed to "renamed"); the
// list changes at once unless only the store knows the host's place.
struct HostChange {
    const char* name;
    Op op;
    std::string id;
    std::optional<std::string> originalAlias;
    bool atOnce;
    QString after;
};

// A change of the host or key at failingIndex that fails, and the list
// shown at once; and, unless otherOp is loadData, another change held at the
// same time. after: the list once both answered.
struct Overlap {
    const char* name;
    Op failingOp;
    int failingIndex;
    QString atOnce;
    Op otherOp;
    int otherIndex;
    QString after;
};

// A key generated, and how it is then listed; or the store's failure.
struct Generation {
    const char* name;
    std::string keyName;
    std::optional<std::string> displayName;
    QString path;
    QString shownName;
    QString failure;
};

// A change of the key "Work" (protected when an old passphrase is given) or
// of the first host or key; told: the line it shows, null for none.
struct Notice {
    const char* name;
    Op op;
    std::string oldPassphrase;
    std::string newPassphrase;
    bool fails;
    QString told;
};

// Calls played on one list, one step per word: c (a change starts), r (a
// read starts), R (a reread starts), aN (the Nth read started answers: may
// it be applied?), s (a call succeeds: is the list read again?), f (a call
// fails: is the list read again?), e (the files changed elsewhere: may it be
// read now?). The answers in order as y/n.
struct Play {
    const char* name;
    QString steps;
    QString answers;
};

} // namespace

Q_DECLARE_METATYPE(HostChange)
Q_DECLARE_METATYPE(Overlap)
Q_DECLARE_METATYPE(Generation)
Q_DECLARE_METATYPE(Notice)
Q_DECLARE_METATYPE(Play)

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
    void loadPublishesTheListsOrReports() {
        for (const bool fails : {false, true}) {
            AppHarness h;
            QVERIFY(h.model->isLoading());
            if (fails)
                h.store->fail(Op::loadData, "Permission denied: ~/.ssh/config");
            h.store->tell("Not for a read");
            bool listsWereIn = false;
            connect(h.model.get(), &AppModel::isLoadingChanged,
                    [&] { listsWereIn = !h.model->hosts().empty() && !h.model->keys().empty(); });

            const QFuture<void> load = h.model->load();
            QVERIFY(finished(load));

            QVERIFY(!h.model->isLoading());
            QCOMPARE(listsWereIn, !fails);
            QCOMPARE(h.model->hosts(), fails ? std::vector<SSHHost>{} : sampleVault().hosts);
            QCOMPARE(h.model->keys(), fails ? std::vector<SSHKey>{} : sampleVault().keys);
            QCOMPARE(h.model->errorMessage(),
                     fails ? std::optional(u"Permission denied: ~/.ssh/config"_qs) : std::nullopt);
            QCOMPARE(failureOf(load), fails ? u"Permission denied: ~/.ssh/config"_qs : QString());
            // A read leaves the store's notices to the next change.
            QVERIFY(h.model->changeNotices().isEmpty());
            QCOMPARE(h.store->takeNotices().size(), 1u);
        }
    }

    void hostChangesFollowTheSource_data() {
        addRows<HostChange>({
            {"save renamed configuration host", Op::saveConfigHost, "cfg-web", "web", true,
             u"renamed db backup"_qs},
            {"save configuration host not in the list", Op::saveConfigHost, "cfg-gone",
             std::nullopt, false, u"web db backup renamed"_qs},
            {"save stored host", Op::saveHost, "USER-backup", std::nullopt, true,
             u"web db renamed"_qs},
            {"add host", Op::saveHost, "", std::nullopt, false, u"web db backup renamed"_qs},
            {"delete configuration host", Op::deleteConfigHost, "cfg-db", std::nullopt, true,
             u"web backup"_qs},
            {"delete stored host", Op::deleteHost, "USER-backup", std::nullopt, true, u"web db"_qs},
        });
    }

    void hostChangesFollowTheSource() {
        QFETCH(HostChange, row);
        const bool remove = row.op == Op::deleteConfigHost || row.op == Op::deleteHost;
        auto h = loaded();
        SSHHost host = configHost("renamed");
        host.id = row.id;
        host.source = row.op == Op::saveConfigHost || row.op == Op::deleteConfigHost
                          ? HostSource::config
                          : HostSource::user;
        h->store->hold(row.op);

        auto change = remove ? h->model->deleteHost(host) : h->model->saveHost(host);

        QTRY_VERIFY(h->store->isHeld(row.op));
        QCOMPARE(shown(*h->model), row.atOnce ? row.after : u"web db backup"_qs);
        h->store->release(row.op);
        QVERIFY(finished(change));
        QCOMPARE(shown(*h->model), row.after);
        for (const auto& listed : h->model->hosts())
            QVERIFY(!listed.id.empty());
        auto calls = h->store->calls(row.op);
        QCOMPARE(calls.size(), 1u);
        QCOMPARE(calls[0].id, host.id);
        if (!remove)
            QCOMPARE(calls[0].host, host);
        QCOMPARE(calls[0].originalAlias, row.originalAlias);
        if (row.op != Op::deleteConfigHost)
            QCOMPARE(calls[0].keyIdToPath, (KeyIdToPath{{"key-id_ed25519", "~/.ssh/id_ed25519"},
                                                        {"key-id_work", "~/.ssh/id_work"}}));
        QVERIFY(!h->model->errorMessage());
    }

    // A change shows at once; its failure takes back only its own change,
    // whichever of two calls answers first, and the lists end as the store
    // holds them.
    void failureTakesBackOnlyItsOwnChange_data() {
        QTest::addColumn<Overlap>("row");
        QTest::addColumn<bool>("failureFirst");
        const Overlap alone[] = {
            {"edit host", Op::saveConfigHost, 1, u"web changed backup"_qs, Op::loadData, 0,
             u"web db backup"_qs},
            {"delete host", Op::deleteConfigHost, 1, u"web backup"_qs, Op::loadData, 0,
             u"web db backup"_qs},
            {"rename key", Op::saveKeyMeta, 1, u"Laptop changed"_qs, Op::loadData, 0,
             u"Laptop Work"_qs},
            {"delete key", Op::deleteKeyMeta, 0, u"Work"_qs, Op::loadData, 0, u"Laptop Work"_qs},
        };
        for (const Overlap& row : alone)
            QTest::newRow(row.name) << row << true;
        const Overlap overlapping[] = {
            {"failed delete, other host edited", Op::deleteConfigHost, 0, u"db backup"_qs,
             Op::saveConfigHost, 0, u"web changed backup"_qs},
            {"failed edit, same host deleted", Op::saveConfigHost, 1, u"web changed backup"_qs,
             Op::deleteConfigHost, 1, u"web backup"_qs},
            {"failed rename, other key deleted", Op::saveKeyMeta, 0, u"changed Work"_qs,
             Op::deleteKeyMeta, 1, u"Laptop"_qs},
            {"failed key delete, other key renamed", Op::deleteKeyMeta, 0, u"Work"_qs,
             Op::saveKeyMeta, 0, u"Laptop changed"_qs},
        };
        for (bool failureFirst : {false, true})
            for (const Overlap& row : overlapping)
                QTest::addRow("%s, failure %s", row.name, failureFirst ? "first" : "last")
                    << row << failureFirst;
    }

    void failureTakesBackOnlyItsOwnChange() {
        QFETCH(Overlap, row);
        QFETCH(bool, failureFirst);
        const bool keys = row.failingOp == Op::saveKeyMeta || row.failingOp == Op::deleteKeyMeta;
        auto h = loaded();
        const AppModel& model = *h->model;
        const std::string id =
            keys ? model.keys()[row.failingIndex].id : model.hosts()[row.failingIndex].id;
        h->store->hold(row.failingOp);
        h->store->fail(row.failingOp, "Disk quota exceeded");

        auto failing = startChange(*h->model, row.failingOp, row.failingIndex);
        QCOMPARE(shown(model, keys), row.atOnce);
        QFuture<void> other = QtFuture::makeReadyFuture();
        if (row.otherOp != Op::loadData) {
            h->store->hold(row.otherOp);
            other = startChange(*h->model, row.otherOp, row.otherIndex);
            QTRY_VERIFY(h->store->isHeld(row.otherOp));
        }
        QTRY_VERIFY(h->store->isHeld(row.failingOp));
        if (!failureFirst) {
            h->store->release(row.otherOp);
            QVERIFY(finished(other));
        }
        h->store->release(row.failingOp);
        QVERIFY(finished(failing));
        h->store->release(row.otherOp);
        QVERIFY(finished(other));

        QCOMPARE(shown(model, keys), row.after);
        QTRY_COMPARE(model.hosts(), h->store->data().hosts);
        QTRY_COMPARE(model.keys(), h->store->data().keys);
        QCOMPARE(model.errorMessage(), u"Disk quota exceeded"_qs);
        QCOMPARE(failureOf(failing), u"Disk quota exceeded"_qs);
        QCOMPARE(h->store->calls(row.failingOp).at(0).id, id);
    }

    void generateKeyNamesTheNewKey_data() {
        addRows<Generation>({
            {"no display name", "id_ed25519_ci", std::nullopt, u"~/.ssh/id_ed25519_ci"_qs,
             u"id_ed25519_ci"_qs, QString()},
            {"empty display name", "deploy", "", u"~/.ssh/deploy"_qs, u"deploy"_qs, QString()},
            {"display name", "id_ed25519 work", "Work laptop", u"~/.ssh/id_ed25519_work"_qs,
             u"Work laptop"_qs, QString()},
            {"taken name", "id_work", "Work", QString(), QString(),
             u"A key named \"id_work\" already exists"_qs},
        });
    }

    void generateKeyNamesTheNewKey() {
        QFETCH(Generation, row);
        auto h = loaded();
        if (!row.failure.isNull())
            h->store->fail(Op::generateKey, row.failure.toStdString());
        QSignalSpy keys(h->model.get(), &AppModel::keysChanged);

        auto generate = h->model->generateKey({row.keyName, "ed25519", {}, {}}, row.displayName);

        QVERIFY(finished(generate));
        // A failure is for the dialog that asked, not for the alert.
        QCOMPARE(failureOf(generate), row.failure);
        QVERIFY(!h->model->errorMessage());
        QCOMPARE(keys.isEmpty(), !row.failure.isNull());
        if (!row.failure.isNull())
            return;
        QCOMPARE(h->model->keys().size(), 3u);
        QCOMPARE(QString::fromStdString(h->model->keys().back().path), row.path);
        QCOMPARE(QString::fromStdString(h->model->keys().back().name), row.shownName);
        auto namings = h->store->calls(Op::saveKeyMeta);
        QCOMPARE(namings.size(), row.displayName.value_or("").empty() ? 0u : 1u);
        for (const auto& naming : namings)
            QCOMPARE(naming.key, h->model->keys().back());
    }

    // A change that went through says so in a line; one that failed does not.
    // Either way, what the store tells of it besides is passed on, until the
    // next change ends.
    void changesSaySoAndPassOnTheStoresNotices_data() {
        addRows<Notice>({
            {"host saved", Op::saveConfigHost, "", "", false, u"Saved \u201cchanged\u201d"_qs},
            {"key renamed", Op::saveKeyMeta, "", "", false, u"Renamed to \u201cchanged\u201d"_qs},
            {"passphrase set", Op::changePassphrase, "", "new", false,
             u"Passphrase of \u201cWork\u201d set"_qs},
            {"passphrase changed", Op::changePassphrase, "old", "new", false,
             u"Passphrase of \u201cWork\u201d changed"_qs},
            {"passphrase removed", Op::changePassphrase, "old", "", false,
             u"Passphrase of \u201cWork\u201d removed"_qs},
            {"failed save", Op::saveConfigHost, "", "", true, QString()},
            {"failed passphrase change", Op::changePassphrase, "old", "new", true, QString()},
        });
    }

    void changesSaySoAndPassOnTheStoresNotices() {
        QFETCH(Notice, row);
        auto h = loaded();
        if (!row.oldPassphrase.empty()) {
            VaultData data = sampleVault();
            data.keys[1].hasPassphrase = true;
            h->store->setData(data);
            QVERIFY(finished(h->model->load()));
        }
        if (row.fails)
            h->store->fail(row.op, "No");
        h->store->tell("Written unchecked");
        QSignalSpy notices(h->model.get(), &AppModel::notified);
        const QFuture<void> done =
            row.op == Op::changePassphrase
                ? h->model->changePassphrase({"key-id_work", row.oldPassphrase, row.newPassphrase})
                : startChange(*h->model, row.op, 0);
        QVERIFY(finished(done));
        // Every caller hears of its failure; the alert shows it unless it
        // is a key tool's, which is for the dialog that asked.
        QCOMPARE(failureOf(done), row.fails ? u"No"_qs : QString());
        QCOMPARE(h->model->errorMessage().has_value(), row.fails && row.op != Op::changePassphrase);
        QCOMPARE(notices.size(), row.told.isNull() ? 0 : 1);
        if (!row.told.isNull())
            QCOMPARE(notices[0][0].toString(), row.told);
        QCOMPARE(h->model->changeNotices(), QStringList{u"Written unchecked"_qs});
        QVERIFY(finished(h->model->setPreferredTerminal(std::nullopt)));
        QVERIFY(h->model->changeNotices().isEmpty());
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
        QTRY_COMPARE(shown(*h->model), u"web changed backup outside"_qs);
        const auto afterFirst = loads();

        bool savedShown = false;
        bool changeLost = false;
        connect(h->model.get(), &AppModel::hostsChanged, [&] {
            savedShown = savedShown || shown(*h->model).contains(u" db "_qs);
            changeLost = changeLost || (savedShown && shown(*h->model).contains(u"changed"_qs));
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
        QCOMPARE(shown(*h->model), u"web db backup outside later"_qs);
        QTRY_COMPARE(loads(), afterFirst + 3);
        QVERIFY(!changeLost);
        QCOMPARE(h->model->errorMessage(), std::nullopt);
    }

    // The bookkeeping behind the rereads, on its own.
    void listCallsAnswer_data() {
        addRows<Play>({
            {"a lone failure is not followed by a read", u"c f"_qs, u"n"_qs},
            {"overlapping changes of which one failed are read again once", u"c c f s"_qs,
             u"ny"_qs},
            {"overlapping changes that succeed are not read again", u"c c s s"_qs, u"nn"_qs},
            {"a failure of an earlier burst is forgotten when idle", u"c f c c s s"_qs, u"nnn"_qs},
            {"a read that a change overlapped is dropped and read again", u"r c a1 s s"_qs,
             u"nny"_qs},
            {"an older read never overwrites a newer one", u"r r a2 a1 s s"_qs, u"ynnn"_qs},
            {"a reread answers the wish for one", u"r c a1 s s R a2 s"_qs, u"nnyyn"_qs},
            {"changes elsewhere read at once when idle", u"e R a1 s"_qs, u"yyn"_qs},
            {"changes elsewhere wait for the running calls", u"c e s"_qs, u"ny"_qs},
        });
    }

    void listCallsAnswer() {
        QFETCH(Play, row);
        ListCalls calls;
        std::vector<ListCalls::ReadTicket> reads;
        QString given;
        auto answer = [&](bool yes) { given += yes ? u'y' : u'n'; };
        for (const QString& step : row.steps.split(u' ')) {
            switch (step.front().unicode()) {
            case 'c':
                calls.changeStarted();
                break;
            case 'r':
                reads.push_back(calls.readStarted());
                break;
            case 'R':
                reads.push_back(calls.rereadStarted());
                break;
            case 'a':
                answer(calls.mayApply(reads.at(step.mid(1).toUInt() - 1)));
                break;
            case 's':
            case 'f':
                answer(calls.settled(step == u"f"_qs));
                break;
            case 'e':
                answer(calls.changedElsewhere());
                break;
            default:
                QFAIL(qPrintable(step));
            }
        }
        QCOMPARE(given, row.answers);
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

    // Results are taken from the event queue alone, never by waiting in the
    // event loop, so that ThreadSanitizer sees no hand-over but the one the
    // worker threads make: a result must arrive whole, in the order its work
    // ended.
    void workerResultsArriveWholeAndInOrder() {
        std::vector<std::vector<int>> arrived;
        WorkerThreads workers(1);
        for (int i = 0; i < 50; ++i)
            workers.start([i, &arrived]() -> std::function<void()> {
                return [made = std::vector<int>(64, i), &arrived] { arrived.push_back(made); };
            });
        QDeadlineTimer deadline(10000);
        while (arrived.size() < 50 && !deadline.hasExpired())
            QCoreApplication::sendPostedEvents(&workers);
        QCOMPARE(arrived.size(), 50u);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(arrived[i], std::vector<int>(64, i));
    }

    // Quitting while a store call waits on a key tool: the model ends the
    // tool instead of waiting it out, and nothing of the call is left.
    void quittingEndsARunningKeyTool() {
        TempDir tools;
        const std::string started = tools.file("started");
        // Says it has started, then hangs far past the tool's time limit.
        const std::string tool = tools.file("hanging-ssh-keygen");
        writeFile(tool, "#!/bin/sh\n: > '" + started + "'\nexec sleep 600\n");
        QCOMPARE(::chmod(tool.c_str(), 0700), 0);
        const QString ssh = QDir::homePath() + u"/.ssh"_qs;
        QVERIFY(QDir().mkpath(ssh));
        SystemVaultStore::Options options;
        options.homedir = QDir::homePath().toStdString();
        options.keyToolPath = tool;
        auto model = std::make_unique<AppModel>(std::make_shared<SystemVaultStore>(options));
        const QFuture<void> generation =
            model->generateKey({"work", "ed25519", std::nullopt, std::nullopt}, std::nullopt);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QString::fromStdString(started)), 10000);

        QElapsedTimer quitting;
        quitting.start();
        model.reset();
        QVERIFY2(quitting.elapsed() < 5000,
                 qPrintable(u"quitting took %1 ms"_qs.arg(quitting.elapsed())));
        QVERIFY(generation.isCanceled());
        QCOMPARE(QDir(ssh).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

MOORKEEP_APP_TEST_MAIN(AppModelTest)

#include "app_model_test.moc"
