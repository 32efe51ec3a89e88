#include "app_identity.h"
#include "store_choice.h"
#include "stores/demo_vault_store.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

#include <QFileInfo>

using namespace moorkeep;

class AppIdentityTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("MOORKEEP_DEMO"); }

    // --help and --version are answered; Qt's own single-dash options (whose
    // letters include h and v) and anything else start the program.
    void answersOnlyHelpAndVersion_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answerStart");

        const QString version = QStringLiteral("moorkeep " MOORKEEP_VERSION "\n");
        const QString usage = QStringLiteral("Usage: moorkeep");
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << version;
        QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << version;
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << usage;
        QTest::newRow("-h after a Qt option")
            << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"),
                           QStringLiteral("-h")}
            << usage;
        QTest::newRow("nothing") << QStringList{} << QString();
        QTest::newRow("-platform xcb")
            << QStringList{QStringLiteral("-platform"), QStringLiteral("xcb")} << QString();
        QTest::newRow("-reverse") << QStringList{QStringLiteral("-reverse")} << QString();
    }

    void answersOnlyHelpAndVersion() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, answerStart);
        arguments.prepend(QStringLiteral("moorkeep"));

        auto answer = AppIdentity::commandLineAnswer(arguments);
        if (answerStart.isEmpty()) {
            QVERIFY2(!answer, qPrintable(answer.value_or(QString())));
        } else {
            QVERIFY(answer);
            QVERIFY2(answer->startsWith(answerStart), qPrintable(*answer));
        }
    }

    // The name docks match the window to is the installed desktop entry's.
    void desktopFileNameIsTheEntrysName() {
        AppIdentity::apply();
        QCOMPARE(QGuiApplication::desktopFileName(),
                 QFileInfo(QStringLiteral(MOORKEEP_DESKTOP_ENTRY)).completeBaseName());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Moorkeep"));
    }

    // Without a theme icon of that name the built-in renderings are used,
    // from the smallest size to the largest.
    void builtInIconHasEverySize() {
        QIcon::setThemeSearchPaths({});
        QIcon icon = AppIdentity::icon();
        auto sizes = icon.availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(512, 512)));
        QCOMPARE(icon.pixmap(QSize(48, 48)).size(), QSize(48, 48));
        QVERIFY(!icon.pixmap(QSize(48, 48)).toImage().isNull());
    }

    // MOORKEEP_DEMO picks the demo store only when it is exactly "1".
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

MOORKEEP_APP_TEST_MAIN(AppIdentityTest)

#include "app_identity_test.moc"
