#include "stores/system_vault_store.h"
#include "support/app_test.h"
#include "window/problems_dialog.h"

#include <QClipboard>
#include <sys/stat.h>

namespace {

constexpr int waitMs = 10000;

QString sshFile(const QString& name) {
    return QDir::homePath() + u"/.ssh/"_qs + name;
}

void replace(const QString& name, const QByteArray& bytes) {
    QSaveFile file(sshFile(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    QVERIFY(file.commit());
}

} // namespace

// The banner, the badge, the host's findings and the Problems view on a
// small home whose configuration ssh refuses and whose key others may read;
// the key's fix changes its mode only, and mending the file elsewhere takes
// the banner and the badge away. A lone private key's fix re-creates its
// public file.
class ProblemsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void bannerBadgeDetailAndProblemsFollowTheDiagnosis() {
        const TestHome home;
        QVERIFY(QDir().mkpath(sshFile(QString())));
        replace(u"config"_qs,
                "Host web\n  HostName 10.0.0.1\n  Usr bob\n  IdentityFile ~/.ssh/id_test\n");
        QCOMPARE(QProcess::execute(u"/usr/bin/ssh-keygen"_qs,
                                   {u"-q"_qs, u"-t"_qs, u"ed25519"_qs, u"-N"_qs, QString(),
                                    u"-f"_qs, sshFile(u"id_test"_qs)}),
                 0);
        QVERIFY(::chmod(sshFile(u"id_test"_qs).toLocal8Bit().constData(), 0644) == 0);
        StoreWindow w(std::make_shared<SystemVaultStore>());
        auto* banner = w.find<QFrame>(u"refusalBanner"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(banner->isVisible(), waitMs);
        QCOMPARE(w.find<QLabel>(u"refusalBannerText"_qs)->text(),
                 u"OpenSSH refuses ~/.ssh/config: line 3: Bad configuration option: usr. ssh "
                 "cannot connect to any host until this is fixed."_qs);
        auto* badge = w.find<QToolButton>(u"problemsBadge"_qs);
        QVERIFY(badge->isVisible());
        QCOMPARE(badge->text(), u"3"_qs); // the option, ssh's count of it, the key
        QCOMPARE(badge->focusPolicy(), Qt::StrongFocus);
        w.view.hostsState().setSelectedId(w.host("web")->id);
        QTRY_VERIFY(w.find(u"hostFindingsCard"_qs) &&
                    w.find(u"hostFindingsCard"_qs)->isVisibleTo(w.find(u"hostDetailView"_qs)));
        QStringList shown; // its block's finding, and its key's
        for (auto* row : w.find(u"hostFindingsCard"_qs)->findChildren<QLabel*>(u"hostFinding"_qs))
            shown << row->text().section(u' ', 0, 1);
        QCOMPARE(shown, (QStringList{u"error: ~/.ssh/config:3"_qs, u"warning: ~/.ssh/id_test"_qs}));

        w.find<QAction>(u"checkConfigurationAction"_qs)->trigger();
        auto* dialog = w.find<ProblemsDialog>(u"problemsDialog"_qs);
        QVERIFY(dialog && dialog->isVisible());
        auto* tree = dialog->findChild<QTreeWidget*>(u"problemsTree"_qs);
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(0), u"~/.ssh/config"_qs);
        QCOMPARE(tree->topLevelItem(0)->childCount(), 2);
        QCOMPARE(tree->topLevelItem(1)->text(0), u"~/.ssh/id_test"_qs);
        auto* fix = dialog->findChild<QPushButton*>(u"fixFindingButton"_qs);
        QVERIFY(!fix->isEnabled());
        dialog->findChild<QPushButton*>(u"copyProblemButton"_qs)->click();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 u"~/.ssh/config:3 Bad configuration option: usr"_qs);
        tree->setCurrentItem(tree->topLevelItem(1)->child(0));
        const std::string key = readFile(sshFile(u"id_test"_qs).toStdString());
        fix->click();
        QTRY_COMPARE_WITH_TIMEOUT(tree->topLevelItemCount(), 1, waitMs);
        QCOMPARE(QFileInfo(sshFile(u"id_test"_qs)).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(readFile(sshFile(u"id_test"_qs).toStdString()), key);
        QTRY_COMPARE(badge->text(), u"2"_qs);

        replace(u"config"_qs, "Host web\n  HostName 10.0.0.1\n  User bob\n");
        QTRY_VERIFY_WITH_TIMEOUT(!banner->isVisible(), waitMs);
        QVERIFY(!badge->isVisible());
        QCOMPARE(tree->topLevelItemCount(), 0);

        // A private key without its public file: the fix re-creates it.
        const std::string publicKey = readFile(sshFile(u"id_test.pub"_qs).toStdString());
        QVERIFY(QFile::remove(sshFile(u"id_test.pub"_qs)));
        w.model.refreshKeys();
        QTRY_COMPARE_WITH_TIMEOUT(tree->topLevelItemCount(), 1, waitMs);
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        QCOMPARE(fix->text(), u"&Re-create Public Key"_qs);
        fix->click();
        QTRY_COMPARE_WITH_TIMEOUT(tree->topLevelItemCount(), 0, waitMs);
        QCOMPARE(readFile(sshFile(u"id_test.pub"_qs).toStdString()), publicKey);
    }
};

MOORKEEP_APP_TEST(ProblemsDialogTest);

#include "problems_dialog_test.moc"
