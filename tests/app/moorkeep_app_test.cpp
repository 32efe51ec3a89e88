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
#include <algorithm>

using namespace moorkeep;
using namespace moorkeep::test;

Q_DECLARE_METATYPE(moorkeep::AppTab)

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
        QCOMPARE(menus, (QStringList{u"Moorkeep"_qs, u"Host"_qs, u"Key"_qs, u"Help"_qs}));
        QCOMPARE(t.menu(u"keysMenu"_qs)->actions().size(), 2);
        QCOMPARE(t.menu(u"keyMenu"_qs)->actions().last()->menu(), t.menu(u"keysMenu"_qs));
        QVERIFY(t.entry(t.menu(u"helpMenu"_qs), u"About Moorkeep"_qs));
        QVERIFY(!t.app->findChild<QSystemTrayIcon*>(u"trayIcon"_qs)->icon().isNull());
        QCOMPARE(t.entry(t.trayMenu(), u"Quit Moorkeep"_qs)->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Q));
    }

    // Every action of both tabs with its keys, in the menus of the menu bar.
    void hostAndKeyMenusListEveryActionWithItsKeys() {
        AppUnderTest t;
        auto entries = [&](const QString& menu) {
            QStringList listed;
            for (QAction* action : t.menu(menu)->actions())
                if (!action->isSeparator() && !action->menu())
                    listed << action->text().remove(u'&') + u" = "_qs +
                                  action->shortcut().toString();
            return listed;
        };
        QCOMPARE(
            entries(u"hostMenu"_qs),
            (QStringList{u"Add Host… = Ctrl+N"_qs, u"Edit Host… = Ctrl+E"_qs,
                         u"Duplicate Host… = Ctrl+D"_qs, u"Delete Host… = Del"_qs,
                         u"Copy Connection Command = Ctrl+Shift+C"_qs, u"Find Host = Ctrl+F"_qs,
                         u"Defaults… = Ctrl+Shift+D"_qs, u"Group by File = Ctrl+Shift+G"_qs,
                         u"Connect = Ctrl+Return"_qs, u"Add to Favourites = "_qs}));
        QCOMPARE(entries(u"keyMenu"_qs),
                 (QStringList{u"Generate Key… = Ctrl+N"_qs, u"Rename Key… = F2"_qs,
                              u"Change Passphrase… = Ctrl+Shift+P"_qs, u"Delete Key… = Del"_qs,
                              u"Copy Public Key = Ctrl+Shift+C"_qs,
                              u"Copy Fingerprint = Ctrl+Shift+F"_qs, u"Add to Agent… = "_qs,
                              u"Remove from Agent = "_qs, u"Find Key = Ctrl+F"_qs,
                              u"Rescan Keys = F5"_qs, u"Install Public Key on Host… = "_qs}));
    }

    // Only the shown tab's entries work, those about a selection only with
    // one, and a passphrase only where its state is known.
    void menuEntriesApplyToTheShownTabAndSelection_data() {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<QString>("selected"); // empty for none
        QTest::addColumn<QStringList>("enabled");
        const QStringList hostEntries{u"addHostAction"_qs, u"findHostAction"_qs,
                                      u"defaultsAction"_qs, u"groupByFileAction"_qs,
                                      u"installKeyAction"_qs};
        const QStringList keyEntries{u"generateKeyAction"_qs, u"keysSearchAction"_qs,
                                     u"rescanKeysAction"_qs, u"installKeyAction"_qs};
        const QStringList keyChoice{u"renameKeyAction"_qs, u"deleteKeyAction"_qs,
                                    u"copyPublicKeyAction"_qs, u"copyFingerprintAction"_qs};
        QTest::newRow("host selected")
            << AppTab::hosts << u"cfg-web"_qs
            << hostEntries + QStringList{u"editHostAction"_qs,    u"duplicateHostAction"_qs,
                                         u"deleteHostAction"_qs,  u"copyCommandAction"_qs,
                                         u"connectHostAction"_qs, u"favouriteHostAction"_qs};
        QTest::newRow("no host selected") << AppTab::hosts << QString() << hostEntries;
        QTest::newRow("key selected")
            << AppTab::keys << u"key-id_ed25519"_qs
            << keyEntries + keyChoice + QStringList{u"passphraseAction"_qs};
        QTest::newRow("key of unknown protection")
            << AppTab::keys << u"key-id_odd"_qs << keyEntries + keyChoice;
        QTest::newRow("no key selected") << AppTab::keys << QString() << keyEntries;
    }

    void menuEntriesApplyToTheShownTabAndSelection() {
        QFETCH(AppTab, tab);
        QFETCH(QString, selected);
        QFETCH(QStringList, enabled);
        AppUnderTest t;
        VaultData data = sampleVault();
        data.keys.push_back(sampleKey("id_odd", "Odd"));
        data.keys.back().hasPassphrase = std::nullopt;
        t.store->setData(data);
        QFuture<void> reloaded = t.app->model().load();
        QTRY_VERIFY(reloaded.isFinished());
        t.app->model().setTab(tab);
        const std::optional<std::string> id =
            selected.isEmpty() ? std::nullopt : std::optional(selected.toStdString());
        if (tab == AppTab::hosts)
            t.app->mainWindow()->hostsState().setSelectedId(id);
        else
            t.app->mainWindow()->keysState().setSelectedId(id);

        QStringList live;
        for (const QString& menu : {u"hostMenu"_qs, u"keyMenu"_qs})
            for (QAction* action : t.menu(menu)->actions())
                if (!action->isSeparator() && !action->menu() && action->isEnabled())
                    live << action->objectName();
        std::sort(live.begin(), live.end());
        std::sort(enabled.begin(), enabled.end());
        QCOMPARE(live, enabled);
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
