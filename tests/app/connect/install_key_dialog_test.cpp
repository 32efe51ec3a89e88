#include "connect/connect_features.h"
#include "connect/host_shortlist.h"
#include "connect/install_key_dialog.h"
#include "connect/terminal_launcher.h"
#include "openssh/ssh_command.h"
#include "support/app_test.h"
#include "support/app_under_test.h"

// Installing a key on a host with ssh-copy-id.
class InstallKeyDialogTest : public QObject {
    Q_OBJECT

private slots:
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

    // What ssh-copy-id would misread: the dialog shows why in place of the
    // command and cannot install it (Escape closes it), and the launcher warns
    // and starts no terminal.
    void installingAKeyRefusesWhatSshCopyIdWouldMisread() {
        AppUnderTest h;
        SSHHost host = spelledOutHost();
        bool installed = false;
        InstallKeyDialog dialog({host}, {sampleKey("k$(touch ran)", "Odd")}, {}, {},
                                [&](const SSHKey&, const SSHHost&) { installed = true; });
        QVERIFY(dialog.findChild<QLabel*>(u"installCommandLabel"_qs)
                    ->text()
                    .contains(u"it would read the \"$\" as shell code"_qs));
        dialog.findChild<QPushButton*>(u"installButton"_qs)->click();
        QVERIFY(!installed);
        // A sheet no screen owns closes itself on Escape.
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible() && dialog.result() == QDialog::Rejected);

        host.user = "-oProxyCommand=touch ran";
        h.app->connectFeatures().launcher().installKey(sampleKey("id_work", "Work"), host,
                                                       h.window());
        QPointer<QMessageBox> alert;
        QTRY_VERIFY((alert = h.find<QMessageBox>(u"installKeyRefusedAlert"_qs)));
        QVERIFY(alert->informativeText().contains(u"because the user begins with \"-\""_qs));
        QVERIFY(h.ran(u"xdg-terminal-exec"_qs).isEmpty());
    }
};

MOORKEEP_APP_TEST(InstallKeyDialogTest);

#include "install_key_dialog_test.moc"
