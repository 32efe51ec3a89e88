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
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("answerStart"); // empty for none
        const QString version = QStringLiteral("moorkeep " MOORKEEP_VERSION "\n");
        QTest::newRow("--version") << u"--version"_qs << version;
        QTest::newRow("-v") << u"-v"_qs << version;
        QTest::newRow("--help") << u"--help"_qs << u"Usage: moorkeep"_qs;
        QTest::newRow("-h after a Qt option")
            << u"-platform offscreen -h"_qs << u"Usage: moorkeep"_qs;
        QTest::newRow("nothing") << QString() << QString();
        QTest::newRow("-platform xcb") << u"-platform xcb"_qs << QString();
        QTest::newRow("-reverse") << u"-reverse"_qs << QString();
    }

    void answersOnlyHelpAndVersion() {
        QFETCH(QString, arguments);
        QFETCH(QString, answerStart);
        auto answer = AppIdentity::commandLineAnswer(
            (u"moorkeep "_qs + arguments).split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(answer.has_value(), !answerStart.isEmpty());
        QVERIFY2(answer.value_or(QString()).startsWith(answerStart),
                 qPrintable(answer.value_or(u"(none)"_qs)));
    }

    // The name docks match the window to is the installed desktop entry's.
    // Without a theme icon of that name the built-in renderings are used,
    // from the smallest size to the largest.
    void desktopEntryNameAndBuiltInIcon() {
        AppIdentity::apply();
        QCOMPARE(QGuiApplication::desktopFileName(),
                 QFileInfo(QStringLiteral(MOORKEEP_DESKTOP_ENTRY)).completeBaseName());
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Moorkeep"));
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

MOORKEEP_APP_TEST_MAIN(AppIdentityTest)

#include "app_identity_test.moc"
