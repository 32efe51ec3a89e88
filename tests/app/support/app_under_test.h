#pragma once

#include "application/app_settings.h"
#include "application/moorkeep_app.h"
#include "support/app_test.h"
#include "support/local_http_server.h"

namespace moorkeep::test {

// A host spelled out, whose destination a shell would split and run.
inline SSHHost spelledOutHost() {
    SSHHost host = configHost("db-me", "key-id_work");
    host.id = "USER-db";
    host.hostname = "db 1;$(touch ran)";
    host.user = "me";
    host.port = 2222;
    host.source = HostSource::user;
    return host;
}

inline const QStringList connectArguments{u"ssh"_qs, u"me@db 1;$(touch ran)"_qs, u"-p"_qs,
                                          u"2222"_qs};

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

} // namespace moorkeep::test
