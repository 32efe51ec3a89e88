#include "store_choice.h"
#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"
#include "stores/user_meta_store.h"
#include "support/app_test_main.h"

#include <QDir>
#include <QtTest>

using namespace moorkeep;
using StoreChoice::StoreKind;

class StoreChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("MOORKEEP_DEMO"); }

    void onlyExactlyOneSelectsTheDemo_data() {
        QTest::addColumn<bool>("isSet");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("demo");

        QTest::newRow("1") << true << QByteArray("1") << true;
        QTest::newRow("yes") << true << QByteArray("yes") << false;
        QTest::newRow("01") << true << QByteArray("01") << false;
        QTest::newRow("1 followed by a space") << true << QByteArray("1 ") << false;
        QTest::newRow("space then 1") << true << QByteArray(" 1") << false;
        QTest::newRow("true") << true << QByteArray("true") << false;
        QTest::newRow("0") << true << QByteArray("0") << false;
        QTest::newRow("empty") << true << QByteArray() << false;
        QTest::newRow("unset") << false << QByteArray() << false;
    }

    void onlyExactlyOneSelectsTheDemo() {
        QFETCH(bool, isSet);
        QFETCH(QByteArray, value);
        QFETCH(bool, demo);
        if (isSet)
            qputenv("MOORKEEP_DEMO", value);
        else
            qunsetenv("MOORKEEP_DEMO");

        QCOMPARE(StoreChoice::kindFromEnvironment(), demo ? StoreKind::demo : StoreKind::system);
        auto store = StoreChoice::storeFromEnvironment();
        QCOMPARE(dynamic_cast<DemoVaultStore*>(store.get()) != nullptr, demo);
        QCOMPARE(dynamic_cast<SystemVaultStore*>(store.get()) != nullptr, !demo);
    }

    // The test's HOME is a temporary folder (see the test main).
    void systemStoreWorksOnTheUsersHome() {
        auto store = StoreChoice::makeStore(StoreKind::system);
        auto* system = dynamic_cast<SystemVaultStore*>(store.get());
        QVERIFY(system);
        QCOMPARE(QString::fromStdString(system->homedir()), qEnvironmentVariable("HOME"));
        QCOMPARE(system->metaStore().path(), UserMetaStore::defaultPath());
        QVERIFY(QString::fromStdString(system->metaStore().path())
                    .startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
    }

    void demoStoreHoldsSampleData() {
        auto store = StoreChoice::makeStore(StoreKind::demo);
        VaultData data = store->loadData();
        QVERIFY(!data.hosts.empty());
        QVERIFY(!data.keys.empty());
    }
};

MOORKEEP_APP_TEST_MAIN(StoreChoiceTest)

#include "store_choice_test.moc"
