#include "content_view.h"
#include "menubar/update_dialog.h"
#include "moorkeep_app.h"
#include "support/app_test.h"
#include "support/local_http_server.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>

using namespace moorkeep;
using namespace moorkeep::test;

namespace {

// The whole application on a fake store, its update feed served locally.
struct AppUnderTest {
    AppUnderTest() {
        qputenv("MOORKEEP_UPDATE_FEED", server.url().toEncoded());
        app = std::make_unique<MoorkeepApp>([this] { return store; });
        QTRY_VERIFY(!app->model().isLoading());
    }
    ~AppUnderTest() {
        store->releaseAll();
        qunsetenv("MOORKEEP_UPDATE_FEED");
    }

    QMenu* trayMenu() const {
        return app->findChild<QSystemTrayIcon*>(u"trayIcon"_qs)->contextMenu();
    }
    QMenu* menu(const QString& name) const { return app->mainWindow()->findChild<QMenu*>(name); }
    static QAction* entry(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }
    static UpdateDialog* updateDialog() {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<UpdateDialog*>(window))
                return dialog;
        return nullptr;
    }

    LocalHttpServer server;
    std::shared_ptr<FakeVaultStore> store = std::make_shared<FakeVaultStore>(sampleVault());
    std::unique_ptr<MoorkeepApp> app;
};

} // namespace

class MoorkeepAppTest : public QObject {
    Q_OBJECT

private slots:
    void menusHoldTheKeysAndTheUpdateCheck() {
        AppUnderTest t;
        QStringList menus;
        for (QAction* action : t.app->mainWindow()->menuBar()->actions())
            menus.append(action->text().remove(u'&'));
        QCOMPARE(menus, (QStringList{u"Moorkeep"_qs, u"Keys"_qs, u"Help"_qs}));
        QCOMPARE(t.menu(u"keysMenu"_qs)->actions().size(), 2);

        QStringList help;
        for (QAction* action : t.menu(u"helpMenu"_qs)->actions())
            help.append(action->text());
        QCOMPARE(help, (QStringList{u"About Moorkeep"_qs, u"Check for Updates…"_qs}));

        auto* tray = t.app->findChild<QSystemTrayIcon*>(u"trayIcon"_qs);
        QCOMPARE(tray->toolTip(), u"Moorkeep"_qs);
        QVERIFY(!tray->icon().isNull());
        QCOMPARE(t.entry(t.trayMenu(), u"Quit Moorkeep"_qs)->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Q));
    }

    void bothUpdateEntriesAreDisabledWhileACheckRuns() {
        AppUnderTest t;
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
        QCOMPARE(t.updateDialog()->findChild<QLabel*>(u"titleLabel"_qs)->text(),
                 u"You're up to date."_qs);

        inHelp->trigger();
        QTRY_COMPARE(t.server.requestCount(), 2);
        QVERIFY(!t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
        t.server.answerHeld();
        QTRY_VERIFY(t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
    }

    void showWindowBringsAClosedWindowBack() {
        AppUnderTest t;
        // This desktop has no tray: closing the window must end the program.
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(QApplication::quitOnLastWindowClosed());
        t.app->mainWindow()->close();
        QTRY_VERIFY(!t.app->mainWindow());

        t.entry(t.trayMenu(), u"Show Window"_qs)->trigger();
        QVERIFY(t.app->mainWindow());
        QVERIFY(t.app->mainWindow()->isVisible());
        QTRY_VERIFY(!t.app->model().isLoading());
        QCOMPARE(t.menu(u"keysMenu"_qs)->actions().size(), 2);
    }
};

MOORKEEP_APP_TEST_MAIN(MoorkeepAppTest)

#include "moorkeep_app_test.moc"
