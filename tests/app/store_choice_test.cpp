#include "store_choice.h"
#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

using namespace moorkeep;

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
        QTest::newRow("empty") << true << QByteArray() << false;
        QTest::newRow("unset") << false << QByteArray() << false;
    }

    void onlyExactlyOneSelectsTheDemo() {
        QFETCH(bool, isSet);
        QFETCH(QByteArray, value);
        QFETCH(bool, demo);
        if (isSet)
            qputenv("MOORKEEP_DEMO", value);

        auto store = StoreChoice::storeFromEnvironment();
        QCOMPARE(dynamic_cast<DemoVaultStore*>(store.get()) != nullptr, demo);
        QCOMPARE(dynamic_cast<SystemVaultStore*>(store.get()) != nullptr, !demo);
    }
};

MOORKEEP_APP_TEST_MAIN(StoreChoiceTest)

#include "store_choice_test.moc"
