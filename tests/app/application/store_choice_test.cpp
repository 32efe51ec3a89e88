#include "application/store_choice.h"
#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

// Which store the program starts on.
class StoreChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("MOORKEEP_DEMO"); }

    // MOORKEEP_DEMO picks the demo store only when it is exactly "1".
    void onlyExactlyOneSelectsTheDemo_data() {
        QTest::addColumn<QByteArray>("value"); // null for unset
        QTest::addColumn<bool>("demo");
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("yes") << QByteArray("yes") << false;
        QTest::newRow("01") << QByteArray("01") << false;
        QTest::newRow("1 followed by a space") << QByteArray("1 ") << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("unset") << QByteArray() << false;
    }

    void onlyExactlyOneSelectsTheDemo() {
        QFETCH(QByteArray, value);
        QFETCH(bool, demo);
        if (!value.isNull())
            qputenv("MOORKEEP_DEMO", value);

        auto store = StoreChoice::storeFromEnvironment();
        QCOMPARE(dynamic_cast<DemoVaultStore*>(store.get()) != nullptr, demo);
        QCOMPARE(dynamic_cast<SystemVaultStore*>(store.get()) != nullptr, !demo);
    }
};

MOORKEEP_APP_TEST(StoreChoiceTest);

#include "store_choice_test.moc"
