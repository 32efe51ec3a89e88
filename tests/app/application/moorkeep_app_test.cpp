#include "application/app_identity.h"
#include "support/app_test.h"
#include "support/app_under_test.h"

using namespace std::chrono_literals;

// The whole application: what it answers on the command line, and its tray
// and window.
class MoorkeepAppTest : public QObject {
    Q_OBJECT

private slots:
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

    // The tray's entries; and, as this desktop has no tray, closing the
    // window ends the program unless Show Window brings it back with its
    // menus, whose update entry is off with the tray's while a check runs.
    void trayEntriesAClosedWindowBroughtBackAndItsUpdateEntry() {
        AppUnderTest t;
        QVERIFY(!t.app->findChild<QSystemTrayIcon*>(u"trayIcon"_qs)->icon().isNull());
        QCOMPARE(t.entry(t.menu(u"applicationMenu"_qs), u"Quit Moorkeep"_qs)->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(t.entry(t.trayMenu(), u"Quit Moorkeep"_qs)->shortcut(), QKeySequence());
        QVERIFY(t.entry(t.menu(u"helpMenu"_qs), u"About Moorkeep"_qs));
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(QApplication::quitOnLastWindowClosed());
        t.window()->close();
        QTRY_VERIFY(!t.window());

        t.entry(t.trayMenu(), u"Show Window"_qs)->trigger();
        QVERIFY(t.window());
        QVERIFY(t.window()->isVisible());
        QTRY_VERIFY(!t.app->model().isLoading());
        QCOMPARE(t.menu(u"keysMenu"_qs)->actions().size(), 3);
        QCOMPARE(t.menu(u"keyMenu"_qs)->actions().last()->menu(), t.menu(u"keysMenu"_qs));

        t.server.setResponse({.body = "{\"latestVersion\": \"0.0.1\","
                                      " \"downloadPage\": \"https://example.org/\"}",
                              .hold = true});
        QAction* inTray = t.entry(t.trayMenu(), u"Check for Updates…"_qs);
        QAction* inHelp = t.entry(t.menu(u"helpMenu"_qs), u"Check for Updates…"_qs);
        QVERIFY(inTray->isEnabled() && inHelp->isEnabled());

        inTray->trigger();
        QTRY_COMPARE(t.server.heldCount(), 1);
        QVERIFY(!t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
        QVERIFY(!inHelp->isEnabled());

        t.server.answerHeld();
        QTRY_VERIFY(inHelp->isEnabled());
        QVERIFY(t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());

        inHelp->trigger();
        QTRY_COMPARE(t.server.requestCount(), 2);
        QVERIFY(!t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
        t.server.answerHeld();
        QTRY_VERIFY(t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
    }
};

MOORKEEP_APP_TEST(MoorkeepAppTest);

#include "moorkeep_app_test.moc"
