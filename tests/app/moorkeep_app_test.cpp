#include "app_settings.h"
#include "config/ssh_command.h"
#include "connect/connect_features.h"
#include "connect/host_shortlist.h"
#include "content_view.h"
#include "menubar/key_menu_items.h"
#include "menubar/keys_menu.h"
#include "menubar/tray_menu.h"
#include "moorkeep_app.h"
#include "single_instance.h"
#include "support/app_test.h"
#include "support/local_http_server.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <algorithm>

using namespace moorkeep;
using namespace moorkeep::test;

Q_DECLARE_METATYPE(moorkeep::AppTab)

namespace {

// A host spelled out, whose destination a shell would split and run.
SSHHost spelledOutHost() {
    SSHHost host = configHost("db-me", "key-id_work");
    host.id = "USER-db";
    host.hostname = "db 1;$(touch ran)";
    host.user = "me";
    host.port = 2222;
    host.source = HostSource::user;
    return host;
}

const QStringList connectArguments{u"ssh"_qs, u"me@db 1;$(touch ran)"_qs, u"-p"_qs, u"2222"_qs};

// The whole application on a fake store (the sample vault with a key of
// unknown protection, and the host above, selected), its update feed served locally, and PATH
// holding only stand-in terminals that write their arguments, one per line, beside themselves (or,
// without a terminal, none).
struct AppUnderTest {
    explicit AppUnderTest(bool withTerminal = true) {
        VaultData data = sampleVault();
        data.hosts.push_back(spelledOutHost());
        data.keys.push_back(sampleKey("id_odd", "Odd"));
        data.keys.back().hasPassphrase = std::nullopt;
        store->setData(data);
        qputenv("MOORKEEP_UPDATE_FEED", server.url().toEncoded());
        // Favourites and recents of an earlier test are gone.
        AppSettings::open()->clear();
        QDir().mkpath(bin() + u"/empty"_qs);
        QDir().mkpath(bin() + u"/my bin"_qs);
        standIn(bin() + u"/xdg-terminal-exec"_qs);
        standIn(bin() + u"/my bin/my term"_qs);
        qputenv("PATH", (withTerminal ? bin() : bin() + u"/empty"_qs).toLocal8Bit());
        qunsetenv("TERMINAL");
        app = std::make_unique<MoorkeepApp>([this] { return store; });
        window()->show();
        QApplication::setActiveWindow(window());
        if (!QTest::qWaitForWindowActive(window()) ||
            !QTest::qWaitFor([&] { return !app->model().isLoading(); }, 5000))
            qFatal("the window did not come up");
        window()->hostsState().setSelectedId("USER-db");
        if (!QTest::qWaitFor([&] { return find<QPushButton>(u"connectHostButton"_qs); }, 5000))
            qFatal("the host is not shown");
    }
    ~AppUnderTest() {
        store->releaseAll();
        app.reset();
        qputenv("PATH", path);
        qunsetenv("MOORKEEP_UPDATE_FEED");
    }

    static void standIn(const QString& file) {
        QFile script(file);
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.argv\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString bin() const { return QString::fromStdString(dir.path()); }
    QStringList ran(const QString& terminal) const {
        QFile file(bin() + u'/' + terminal + u".argv"_qs);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        lines.removeLast();
        return lines;
    }
    ContentView* window() const { return app->mainWindow(); }
    template <typename T> T* find(const QString& name) const {
        return window()->findChild<T*>(name);
    }
    QAction* action(const QString& name) const { return find<QAction>(name); }
    QMenu* menu(const QString& name) const { return find<QMenu>(name); }
    QMenu* trayMenu() const {
        return app->findChild<QSystemTrayIcon*>(u"trayIcon"_qs)->contextMenu();
    }
    static QAction* entry(QMenu* menu, const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    QByteArray path = qgetenv("PATH");
    TempDir dir;
    LocalHttpServer server;
    std::shared_ptr<FakeVaultStore> store = std::make_shared<FakeVaultStore>(sampleVault());
    std::unique_ptr<MoorkeepApp> app;
};

// The main window's Keys menu and the tray menu over one model.
struct MenusHarness : AppHarness {
    explicit MenusHarness(std::vector<SSHKey> keys) {
        VaultData data = sampleVault();
        data.keys = std::move(keys);
        store->setData(data);
        QFuture<void> loaded = model->load();
        if (!QTest::qWaitFor([&] { return loaded.isFinished(); }))
            qFatal("the model did not load");
    }

    // The key entries of a menu: what lies between the tray menu's first two
    // separators, or the whole Keys menu.
    static QList<QAction*> keyItems(QMenu& menu) {
        QList<QAction*> items = menu.actions();
        if (menu.objectName() != u"trayMenu")
            return items;
        QList<QAction*> between;
        int separators = 0;
        for (QAction* item : items) {
            if (item->isSeparator())
                ++separators;
            else if (separators == 1)
                between.append(item);
        }
        return between;
    }

    QList<QList<QAction*>> bothMenus() { return {keyItems(keysMenu), keyItems(trayMenu)}; }

    QAction check{u"Check for Updates…"_qs};
    QAction quit{u"Quit Moorkeep"_qs};
    int windowsOpened = 0;
    KeysMenu keysMenu{*model};
    TrayMenu trayMenu{*model, {[this] { ++windowsOpened; }, &check, &quit}};
};

SSHKey withoutPublicKey(SSHKey key) {
    key.publicKey.clear();
    return key;
}

QStringList texts(const QList<QAction*>& items) {
    QStringList result;
    for (QAction* item : items)
        result.append(item->text());
    return result;
}

} // namespace

// Every launch here shares the test's temporary runtime folder.
class MoorkeepAppTest : public QObject {
    Q_OBJECT

private slots:
    // The tray's entries; and, as this desktop has no tray, closing the
    // window ends the program unless Show Window brings it back with its
    // menus.
    void trayEntriesAndAClosedWindowBroughtBack() {
        AppUnderTest t;
        QVERIFY(!t.app->findChild<QSystemTrayIcon*>(u"trayIcon"_qs)->icon().isNull());
        QCOMPARE(t.entry(t.trayMenu(), u"Quit Moorkeep"_qs)->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_Q));
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
    }

    // The entries of the Host and Key menus that work, with their keys: only
    // the shown tab's, those about a selection only with one, and a
    // passphrase only where its state is known.
    void menuEntriesApplyToTheShownTabAndSelection_data() {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<QString>("selected"); // empty for none
        QTest::addColumn<QStringList>("enabled");
        const QStringList hostEntries{u"addHostAction Ctrl+N"_qs, u"findHostAction Ctrl+F"_qs,
                                      u"defaultsAction Ctrl+Shift+D"_qs,
                                      u"groupByFileAction Ctrl+Shift+G"_qs, u"installKeyAction"_qs};
        const QStringList keyEntries{u"generateKeyAction Ctrl+N"_qs, u"keysSearchAction Ctrl+F"_qs,
                                     u"rescanKeysAction F5"_qs, u"installKeyAction"_qs};
        const QStringList keyChoice{u"renameKeyAction F2"_qs, u"deleteKeyAction Del"_qs,
                                    u"copyPublicKeyAction Ctrl+Shift+C"_qs,
                                    u"copyFingerprintAction Ctrl+Shift+F"_qs};
        QTest::newRow("host selected")
            << AppTab::hosts << u"cfg-web"_qs
            << hostEntries +
                   QStringList{
                       u"editHostAction Ctrl+E"_qs,         u"duplicateHostAction Ctrl+D"_qs,
                       u"deleteHostAction Del"_qs,          u"copyCommandAction Ctrl+Shift+C"_qs,
                       u"connectHostAction Ctrl+Return"_qs, u"favouriteHostAction"_qs};
        QTest::newRow("no host selected") << AppTab::hosts << QString() << hostEntries;
        QTest::newRow("key selected")
            << AppTab::keys << u"key-id_ed25519"_qs
            << keyEntries + keyChoice + QStringList{u"passphraseAction Ctrl+Shift+P"_qs};
        QTest::newRow("key of unknown protection")
            << AppTab::keys << u"key-id_odd"_qs << keyEntries + keyChoice;
        QTest::newRow("no key selected") << AppTab::keys << QString() << keyEntries;
    }

    void menuEntriesApplyToTheShownTabAndSelection() {
        QFETCH(AppTab, tab);
        QFETCH(QString, selected);
        QFETCH(QStringList, enabled);
        AppUnderTest t;
        t.app->model().setTab(tab);
        const std::optional<std::string> id =
            selected.isEmpty() ? std::nullopt : std::optional(selected.toStdString());
        if (tab == AppTab::hosts)
            t.window()->hostsState().setSelectedId(id);
        else
            t.window()->keysState().setSelectedId(id);

        QStringList live;
        for (const QString& menu : {u"hostMenu"_qs, u"keyMenu"_qs})
            for (QAction* action : t.menu(menu)->actions())
                if (!action->isSeparator() && !action->menu() && action->isEnabled())
                    live << (action->objectName() + u' ' + action->shortcut().toString()).trimmed();
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

        inHelp->trigger();
        QTRY_COMPARE(t.server.requestCount(), 2);
        QVERIFY(!t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
        t.server.answerHeld();
        QTRY_VERIFY(t.entry(t.trayMenu(), u"Check for Updates…"_qs)->isEnabled());
    }

    void everyConnectStartsTheTerminalWithTheArgumentList_data() {
        QTest::addColumn<QString>("from");
        for (const char* from : {"button", "double-click", "Ctrl+Return", "tray favourite"})
            QTest::newRow(from) << QString::fromLatin1(from);
    }

    void everyConnectStartsTheTerminalWithTheArgumentList() {
        QFETCH(QString, from);
        AppUnderTest h;
        if (from == u"button"_qs) {
            h.find<QPushButton>(u"connectHostButton"_qs)->click();
        } else if (from == u"double-click"_qs) {
            auto* list = h.find<QListView>(u"hostList"_qs);
            const QModelIndexList shown = list->model()->match(
                list->model()->index(0, 0), Qt::DisplayRole, u"db-me"_qs, 1, Qt::MatchExactly);
            QCOMPARE(shown.size(), 1);
            // A double click: press and release, then the second press.
            const QPoint centre = list->visualRect(shown.front()).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        } else if (from == u"Ctrl+Return"_qs) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        } else {
            h.action(u"favouriteHostAction"_qs)->trigger();
            QCOMPARE(h.action(u"favouriteHostAction"_qs)->text(), u"Remove from &Favourites"_qs);
            QMenu* connectMenu = h.app->connectFeatures().trayMenu();
            QCOMPARE(connectMenu->actions().size(), 1);
            connectMenu->actions().front()->trigger();
        }
        QTRY_COMPARE(h.ran(u"xdg-terminal-exec"_qs), connectArguments);
        QCOMPARE(h.app->connectFeatures().shortlist().recents(), QStringList{u"db-me"_qs});
        QVERIFY(!QFile::exists(u"ran"_qs));
    }

    // The key is the host's own, the command ssh-copy-id's, in the terminal;
    // without a terminal the same command is offered to copy, and so is
    // connecting's, which is then not counted as a recent connection.
    void installingAKeyRunsSshCopyIdOrOffersItsCommand() {
        for (const bool withTerminal : {true, false}) {
            AppUnderTest h(withTerminal);
            h.find<QToolButton>(u"installKeyOnHostButton"_qs)->click();
            auto* dialog = h.find<QDialog>(u"installKeyDialog"_qs);
            QVERIFY(dialog);
            QCOMPARE(dialog->findChild<QComboBox*>(u"installHostComboBox"_qs)->currentText(),
                     u"db-me"_qs);
            const QString pub = QDir::homePath() + u"/.ssh/id_work.pub"_qs;
            const QStringList expected{u"ssh-copy-id"_qs, u"-i"_qs,   pub,
                                       u"-p"_qs,          u"2222"_qs, u"me@db 1;$(touch ran)"_qs};
            const QString line = dialog->findChild<QLabel*>(u"installCommandLabel"_qs)->text();
            QCOMPARE(line, QString::fromStdString(SSHCommand::joined(
                               {expected.begin()->toStdString(), "-i", pub.toStdString(), "-p",
                                "2222", "me@db 1;$(touch ran)"})));
            dialog->findChild<QPushButton*>(u"installButton"_qs)->click();
            if (withTerminal) {
                QTRY_COMPARE(h.ran(u"xdg-terminal-exec"_qs), expected);
                continue;
            }
            QPointer<QMessageBox> alert;
            QTRY_VERIFY((alert = h.find<QMessageBox>(u"noTerminalAlert"_qs)));
            alert->findChild<QPushButton*>(u"copyTerminalCommandButton"_qs)->click();
            QCOMPARE(QApplication::clipboard()->text(), line);
            QTRY_VERIFY(!alert);

            h.action(u"connectHostAction"_qs)->trigger();
            QTRY_VERIFY((alert = h.find<QMessageBox>(u"noTerminalAlert"_qs)));
            QVERIFY(alert->informativeText().contains(u"ssh 'me@db 1;$(touch ran)' -p 2222"_qs));
            alert->findChild<QPushButton*>(u"copyTerminalCommandButton"_qs)->click();
            QCOMPARE(QApplication::clipboard()->text(),
                     QString::fromStdString(SSHCommand::build(spelledOutHost())));
            QVERIFY(h.app->connectFeatures().shortlist().recents().isEmpty());
        }
    }

    // The dialog shows what Connect will run as the command line is typed,
    // refuses an open quote, and what it saves is what Connect then uses.
    void preferencesChooseTheTerminalThatConnectUses() {
        AppUnderTest h;
        h.app->connectFeatures().preferencesAction()->trigger();
        QDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = h.find<QDialog>(u"preferencesDialog"_qs)));
        auto* field = dialog->findChild<QLineEdit*>(u"preferredTerminalField"_qs);
        auto* preview = dialog->findChild<QLabel*>(u"terminalPreviewLabel"_qs);
        auto* save = dialog->findChild<QPushButton*>(u"saveButton"_qs);
        QCOMPARE(preview->text(), u"Connect runs: xdg-terminal-exec ssh HOST"_qs);

        QTest::keyClicks(field, u"'"_qs + h.bin() + u"/my bin/my term"_qs);
        QVERIFY(!save->isEnabled());
        QTest::keyClicks(field, u"' --hold"_qs);
        QVERIFY(save->isEnabled());
        QCOMPARE(preview->text(),
                 u"Connect runs: '"_qs + h.bin() + u"/my bin/my term' --hold ssh HOST"_qs);
        save->click();
        const std::string saved = "'" + h.dir.path() + "/my bin/my term' --hold";
        QTRY_COMPARE(h.store->preferredTerminal(), std::optional(saved));

        h.action(u"connectHostAction"_qs)->trigger();
        QTRY_COMPARE(h.ran(u"my bin/my term"_qs), QStringList{u"--hold"_qs} + connectArguments);
        QVERIFY(!QFile::exists(h.bin() + u"/xdg-terminal-exec.argv"_qs));
    }

    // A program that crashed leaves its socket behind, where nobody answers;
    // the next launch claims it anyway, and a launch after that shows its
    // window and ends.
    void aSecondLaunchShowsTheRunningWindowAndEnds() {
        AppUnderTest t;
        QFile leftOver(SingleInstance::defaultName());
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
        leftOver.close();
        SingleInstance instance;
        QVERIFY(instance.claim());
        connect(&instance, &SingleInstance::activationRequested, t.app.get(),
                &MoorkeepApp::showMainWindow);
        t.window()->hide();

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"MOORKEEP_DEMO"_qs, u"1"_qs);
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(MOORKEEP_PATH), {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY(t.window()->isVisible());
    }

    void oneEntryPerKeyWithAPublicKeyCopiesExactlyThatKey() {
        SSHKey rsa = sampleKey("id_rsa", "Build & Deploy");
        rsa.type = "rsa";
        MenusHarness h(
            {sampleKey("id_ed25519", "Laptop"), withoutPublicKey(sampleKey("id_old", "Old")), rsa});

        QSignalSpy told(h.model.get(), &AppModel::notified);
        for (const QList<QAction*>& items : h.bothMenus()) {
            QCOMPARE(texts(items),
                     (QStringList{u"Laptop \u2014 ed25519"_qs, u"Build && Deploy \u2014 rsa"_qs}));
            QVERIFY(items[0]->isEnabled() && items[1]->isEnabled());

            QGuiApplication::clipboard()->setText(u"something copied before"_qs);
            items[1]->trigger();
            QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh-ed25519 AAAA id_rsa"_qs);
            items[0]->trigger();
            QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh-ed25519 AAAA id_ed25519"_qs);
        }
        // Each copy says so.
        QCOMPARE(told.size(), 4);
        QCOMPARE(told[0][0].toString(), u"Public key of \u201cBuild & Deploy\u201d copied"_qs);
        QCOMPARE(told[3][0].toString(), u"Public key of \u201cLaptop\u201d copied"_qs);
        QCOMPARE(KeyMenuItems::label(rsa), u"Build & Deploy \u2014 rsa"_qs);
    }

    // Heading, keys, window, updates, quit; when the keys change both menus
    // follow, and the shared update entry keeps its place and state. Without
    // a key that has a public key both say so.
    void trayMenuInThatOrderFollowsTheKeys() {
        MenusHarness h(sampleVault().keys);
        auto layout = [&] {
            QStringList shown;
            for (QAction* item : h.trayMenu.actions())
                shown.append(item->isSeparator() ? u"--"_qs : item->text());
            return shown;
        };
        QCOMPARE(layout(), (QStringList{u"Moorkeep"_qs, u"--"_qs, u"Laptop \u2014 ed25519"_qs,
                                        u"Work \u2014 ed25519"_qs, u"--"_qs, u"Show Window"_qs,
                                        u"Check for Updates…"_qs, u"--"_qs, u"Quit Moorkeep"_qs}));
        QVERIFY(!h.trayMenu.actions().first()->isEnabled());
        QCOMPARE(h.trayMenu.actions()[8], &h.quit);

        h.check.setEnabled(false);
        VaultData data = sampleVault();
        data.keys = {sampleKey("id_work", "Work"), sampleKey("id_new", "New")};
        h.store->setData(data);
        QFuture<void> refreshed = h.model->refreshKeys();
        QTRY_VERIFY(refreshed.isFinished());
        for (const QList<QAction*>& items : h.bothMenus())
            QCOMPARE(texts(items),
                     (QStringList{u"Work \u2014 ed25519"_qs, u"New \u2014 ed25519"_qs}));
        QCOMPARE(h.trayMenu.actions()[6], &h.check);
        QVERIFY(!h.check.isEnabled());
        h.trayMenu.findChild<QAction*>(u"showWindowAction"_qs)->trigger();
        QCOMPARE(h.windowsOpened, 1);

        for (const auto& keys : {std::vector<SSHKey>{},
                                 {withoutPublicKey(sampleKey("id_rsa", "Old")),
                                  withoutPublicKey(sampleKey("id_ed25519", "Laptop"))}}) {
            data.keys = keys;
            h.store->setData(data);
            refreshed = h.model->refreshKeys();
            QTRY_VERIFY(refreshed.isFinished());
            for (const QList<QAction*>& items : h.bothMenus()) {
                QCOMPARE(texts(items), QStringList{u"No keys found"_qs});
                QVERIFY(!items.first()->isEnabled());
            }
        }
    }
};

MOORKEEP_APP_TEST_MAIN(MoorkeepAppTest)

#include "moorkeep_app_test.moc"
