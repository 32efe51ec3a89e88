// Undo, Redo and the History view on a real temporary home with the system
// store: each step is checked in the configuration file, byte for byte.
#include "stores/system_vault_store.h"
#include "support/app_test.h"
#include "window/history_dialog.h"

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTreeWidget>

namespace {

constexpr int waitMs = 10000;
const std::string twoHosts = "Host web\n  HostName 10.0.0.1\n\nHost db\n  HostName 10.0.0.2\n";
const std::string webOnly = "Host web\n  HostName 10.0.0.1\n";

std::string configPath() {
    return (QDir::homePath() + u"/.ssh/config"_qs).toStdString();
}

// As text, so that a failure shows both.
QString configText() {
    return QString::fromStdString(readFile(configPath()));
}
QString text(const std::string& bytes) {
    return QString::fromStdString(bytes);
}

} // namespace

class EditMenuTest : public QObject {
    Q_OBJECT

private:
    std::optional<TestHome> home_;
    std::optional<StoreWindow> w_;

    QAction* action(const char* name) const {
        return w_->view.findChild<QAction*>(QString::fromLatin1(name));
    }
    void deleteDb() {
        w_->view.hostsState().setSelectedId(w_->host("db")->id);
        QTest::keyClick(&w_->view, Qt::Key_Delete);
        QTRY_VERIFY(w_->find<QMessageBox>(u"deleteHostAlert"_qs));
        auto* alert = w_->find<QMessageBox>(u"deleteHostAlert"_qs);
        QVERIFY(alert->informativeText().contains(u"undo it with Edit \u2192 Undo"_qs));
        alert->findChild<QPushButton*>(u"confirmDeleteButton"_qs)->click();
        QTRY_COMPARE_WITH_TIMEOUT(configText(), text(webOnly), waitMs);
    }

private slots:
    void init() {
        home_.emplace();
        QVERIFY(QDir().mkpath(QDir::homePath() + u"/.ssh"_qs));
        writeFile(configPath(), twoHosts);
        w_.emplace(std::make_shared<SystemVaultStore>());
        QTRY_VERIFY(w_->host("db"));
    }
    void cleanup() {
        w_.reset();
        home_.reset();
    }

    // Ctrl+Z puts the deleted block back, the host as it was, and
    // Ctrl+Shift+Z removes it again, each named; once the file changed elsewhere, Undo is refused
    // and the file stays as the other program wrote it.
    void undoAndRedoFollowTheFileUntilItChangesElsewhere() {
        QVERIFY(!action("undoAction")->isEnabled());
        const SSHHost db = *w_->host("db");
        deleteDb();
        QTRY_COMPARE(action("undoAction")->text(), u"&Undo Delete Host \u201cdb\u201d"_qs);
        QVERIFY(!action("redoAction")->isEnabled());

        QCOMPARE(action("undoAction")->shortcut(), QKeySequence(u"Ctrl+Z"_qs));
        QCOMPARE(action("redoAction")->shortcut(), QKeySequence(u"Ctrl+Shift+Z"_qs));
        action("undoAction")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(configText(), text(twoHosts), waitMs);
        QTRY_VERIFY(w_->host("db"));
        QCOMPARE(*w_->host("db"), db);
        QTRY_COMPARE(action("redoAction")->text(), u"&Redo Delete Host \u201cdb\u201d"_qs);
        QVERIFY(!action("undoAction")->isEnabled());

        action("redoAction")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(configText(), text(webOnly), waitMs);
        QTRY_VERIFY(!w_->host("db"));
        QTRY_VERIFY(action("undoAction")->isEnabled());

        writeFile(configPath(), webOnly + "Host extra\n");
        QTRY_VERIFY_WITH_TIMEOUT(w_->host("extra"), waitMs);
        action("undoAction")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w_->model.errorMessage(), waitMs);
        QCOMPARE(*w_->model.errorMessage(),
                 u"Could not undo Delete Host \u201cdb\u201d: ~/.ssh/config was changed since, "
                 "so it was not put back as it was."_qs);
        QCOMPARE(configText(), text(webOnly + "Host extra\n"));
        QTRY_VERIFY(action("undoAction")->isEnabled());
    }

    // The History view lists the backup the delete took under its file,
    // shows what restoring it adds, and restores it as a change Undo names.
    void historyComparesAndRestoresABackup() {
        deleteDb();
        action("historyAction")->trigger();
        auto* dialog = w_->find<HistoryDialog>(u"historyDialog"_qs);
        QVERIFY(dialog);
        auto* tree = dialog->findChild<QTreeWidget*>(u"historyTree"_qs);
        QTRY_COMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->text(0), u"~/.ssh/config"_qs);
        QCOMPARE(tree->topLevelItem(0)->childCount(), 1);
        auto* summary = dialog->findChild<QLabel*>(u"historySummary"_qs);
        QCOMPARE(summary->text(), u"1 backup."_qs);
        auto* diff = dialog->findChild<QPlainTextEdit*>(u"historyDiff"_qs);
        QTRY_COMPARE(
            diff->toPlainText(),
            u"  Host web\n    HostName 10.0.0.1\n+ \n+ Host db\n+   HostName 10.0.0.2\n"_qs);

        QTest::keyClick(dialog->findChild<QPushButton*>(u"restoreBackupButton"_qs), Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(configText(), text(twoHosts), waitMs);
        QTRY_COMPARE(action("undoAction")->text(),
                     u"&Undo Restore Backup of \u201c~/.ssh/config\u201d"_qs);
        QTRY_COMPARE(tree->topLevelItem(0)->childCount(), 2);
        QCOMPARE(summary->text(), u"2 backups, the newest first."_qs);
    }
};

MOORKEEP_APP_TEST(EditMenuTest);

#include "edit_menu_test.moc"
