#include "application/moorkeep_app.h"
#include "application/single_instance.h"
#include "connect/connect_features.h"
#include "support/app_test.h"
#include "support/app_under_test.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

// One running copy: a second launch shows the first one's window. Every
// launch here shares the test's temporary runtime folder.
class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    // The dialog shows what Connect will run as the command line is typed,
    // refuses an open quote, and what it saves is what Connect then uses.
    // A program that crashed leaves its socket behind, where nobody answers;
    // the next launch claims it anyway, and a launch after that restores its
    // minimised window and ends.
    void preferredTerminalThenASecondLaunchShowsTheWindow() {
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

        QFile leftOver(SingleInstance::defaultName());
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
        leftOver.close();
        SingleInstance instance;
        QVERIFY(instance.claim());
        connect(&instance, &SingleInstance::activationRequested, h.app.get(),
                &MoorkeepApp::showMainWindow);
        h.window()->showMinimized();
        QVERIFY(h.window()->isMinimized());

        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"MOORKEEP_DEMO"_qs, u"1"_qs);
        second.setProcessEnvironment(environment);
        second.start(QStringLiteral(MOORKEEP_PATH), {});
        // The running program answers from this event loop.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY(h.window()->isVisible() && !h.window()->isMinimized());
    }

    // The socket lives only in a folder no one else may enter: the runtime
    // folder when it is one, else the program's own in the cache folder; with
    // neither, every launch runs alone.
    void instanceSocketOnlyInAPrivateFolder_data() {
        QTest::addColumn<QString>("runtime"); // what XDG_RUNTIME_DIR names in the home, or unset
        QTest::addColumn<bool>("ownIsOpen");  // the program's own folder is there, open to all
        QTest::addColumn<QString>("folder");  // where the socket is, none when empty
        const QString own = u".cache/" MOORKEEP_APP_ID "-runtime"_qs;
        QTest::newRow("private runtime folder") << "runtime" << false << "runtime";
        QTest::newRow("no runtime folder") << QString() << false << own;
        QTest::newRow("runtime folder open to all") << "open" << false << own;
        QTest::newRow("runtime folder a link to a private one") << "link" << false << own;
        QTest::newRow("runtime folder of another user") << "theirs" << false << own;
        QTest::newRow("own folder open to all") << QString() << true << QString();
    }

    void instanceSocketOnlyInAPrivateFolder() {
        QFETCH(QString, runtime);
        QFETCH(bool, ownIsOpen);
        QFETCH(QString, folder);
        const TestHome home;
        const QString root = QString::fromStdString(home.path()) + u'/';
        QVERIFY(QDir(root).mkdir(u"open"_qs) && ::chmod(qPrintable(root + u"open"_qs), 0777) == 0);
        QVERIFY(QFile::link(root + u"runtime"_qs, root + u"link"_qs));
        QVERIFY(QDir(root).mkdir(u"theirs"_qs) &&
                ::chmod(qPrintable(root + u"theirs"_qs), 0700) == 0);
        if (runtime == u"theirs" && ::chown(qPrintable(root + runtime), 65534, 65534) != 0)
            QSKIP("only root can give a folder to another user");
        const QString own = root + u".cache/" MOORKEEP_APP_ID "-runtime"_qs;
        if (ownIsOpen)
            QVERIFY(QDir().mkpath(own) && ::chmod(qPrintable(own), 0755) == 0);
        const ScopedEnv variable("XDG_RUNTIME_DIR",
                                 runtime.isNull() ? std::nullopt
                                                  : std::optional((root + runtime).toStdString()));

        const QString name = SingleInstance::defaultName();
        SingleInstance instance;
        QVERIFY(instance.claim());
        if (folder.isEmpty()) {
            QVERIFY2(name.isEmpty(), qPrintable(name));
            return;
        }
        QCOMPARE(name, root + folder + u"/" MOORKEEP_APP_ID ".instance"_qs);
        const struct stat status = statOf((root + folder).toStdString());
        QVERIFY(S_ISDIR(status.st_mode) && status.st_uid == ::geteuid());
        QCOMPARE(status.st_mode & 0777, mode_t(0700));
        QVERIFY(S_ISSOCK(statOf(name.toStdString()).st_mode));
    }

    // A first program that takes the request but never answers (stopped or
    // hung) is replaced in time. A client that sends too much, or nothing,
    // is let go; the next one is still answered.
    void instanceReplacesASilentOneAndLetsGreedyClientsGo() {
        const QString name = SingleInstance::defaultName();
        QLocalServer silent;
        QLocalServer::removeServer(name);
        QVERIFY(silent.listen(name));
        QElapsedTimer timer;
        timer.start();
        SingleInstance instance;
        QVERIFY(instance.claim());
        QVERIFY(timer.elapsed() < 5000);
        QSignalSpy asked(&instance, &SingleInstance::activationRequested);

        QLocalSocket greedy, idle, proper;
        greedy.connectToServer(name);
        greedy.write(QByteArray(4 * 1024 * 1024, 'x'));
        idle.connectToServer(name);
        QTRY_COMPARE(greedy.state(), QLocalSocket::UnconnectedState);
        QTRY_COMPARE(idle.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(asked.size(), 0);
        proper.connectToServer(name);
        proper.write("show\n");
        QTRY_VERIFY(proper.canReadLine());
        QCOMPARE(proper.readLine(), QByteArray("shown\n"));
        QCOMPARE(asked.size(), 1);
    }
};

MOORKEEP_APP_TEST(SingleInstanceTest);

#include "single_instance_test.moc"
