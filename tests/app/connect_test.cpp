#include "app_settings.h"
#include "config/ssh_command.h"
#include "connect/connect_features.h"
#include "connect/host_shortlist.h"
#include "content_view.h"
#include "moorkeep_app.h"
#include "support/app_test.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>

using namespace moorkeep;
using namespace moorkeep::test;

namespace {

// A store that keeps the preferred terminal, as the real ones do.
class PreferringStore : public FakeVaultStore {
public:
    using FakeVaultStore::FakeVaultStore;

    std::optional<std::string> preferredTerminal() override {
        std::lock_guard lock(mutex_);
        return preferred_;
    }
    void setPreferredTerminal(const std::optional<std::string>& commandLine) override {
        std::lock_guard lock(mutex_);
        preferred_ = commandLine;
    }

private:
    std::mutex mutex_;
    std::optional<std::string> preferred_;
};

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

QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The application on a fake store, with PATH holding only stand-in
// terminals that write their arguments, one per line, beside themselves.
struct ConnectHarness {
    explicit ConnectHarness(bool withTerminal = true) {
        VaultData data = sampleVault();
        data.hosts.push_back(spelledOutHost());
        store = std::make_shared<PreferringStore>(data);
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
    ~ConnectHarness() {
        store->releaseAll();
        app.reset();
        qputenv("PATH", path);
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
        QStringList lines = read(bin() + u'/' + terminal + u".argv"_qs).split(u'\n');
        lines.removeLast();
        return lines;
    }
    ContentView* window() const { return app->mainWindow(); }
    template <typename T> T* find(const QString& name) const {
        return window()->findChild<T*>(name);
    }
    QAction* action(const QString& name) const { return find<QAction>(name); }

    QByteArray path = qgetenv("PATH");
    TempDir dir;
    std::shared_ptr<PreferringStore> store;
    std::unique_ptr<MoorkeepApp> app;
};

} // namespace

class ConnectTest : public QObject {
    Q_OBJECT

private slots:
    void everyConnectStartsTheTerminalWithTheArgumentList_data() {
        QTest::addColumn<QString>("from");
        for (const char* from : {"button", "double-click", "Ctrl+Return", "tray favourite"})
            QTest::newRow(from) << QString::fromLatin1(from);
    }

    void everyConnectStartsTheTerminalWithTheArgumentList() {
        QFETCH(QString, from);
        ConnectHarness h;
        HostShortlist& shortlist = h.app->connectFeatures().shortlist();
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
        QCOMPARE(shortlist.recents(), QStringList{u"db-me"_qs});
        QVERIFY(!QFile::exists(u"ran"_qs));
    }

    // The key is the host's own, the command ssh-copy-id's, in the terminal;
    // without a terminal the same command is offered to copy.
    void installingAKeyRunsSshCopyIdOrOffersItsCommand() {
        for (const bool withTerminal : {true, false}) {
            ConnectHarness h(withTerminal);
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
            QMessageBox* alert = nullptr;
            QTRY_VERIFY((alert = h.find<QMessageBox>(u"noTerminalAlert"_qs)));
            alert->findChild<QPushButton*>(u"copyTerminalCommandButton"_qs)->click();
            QCOMPARE(QApplication::clipboard()->text(), line);
        }
    }

    void withoutATerminalConnectOffersTheCommandToCopy() {
        ConnectHarness h(false);
        h.action(u"connectHostAction"_qs)->trigger();
        QMessageBox* alert = nullptr;
        QTRY_VERIFY((alert = h.find<QMessageBox>(u"noTerminalAlert"_qs)));
        QVERIFY(alert->informativeText().contains(u"ssh 'me@db 1;$(touch ran)' -p 2222"_qs));
        alert->findChild<QPushButton*>(u"copyTerminalCommandButton"_qs)->click();
        QCOMPARE(QApplication::clipboard()->text(),
                 QString::fromStdString(SSHCommand::build(spelledOutHost())));
        QVERIFY(h.app->connectFeatures().shortlist().recents().isEmpty());
    }

    // The dialog shows what Connect will run as the command line is typed,
    // refuses an open quote, and what it saves is what Connect then uses.
    void preferencesChooseTheTerminalThatConnectUses() {
        ConnectHarness h;
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
};

MOORKEEP_APP_TEST_MAIN(ConnectTest)
#include "connect_test.moc"
