// The Keys tab on a temporary home with the real system store and the real
// /usr/bin/ssh-keygen: every step goes through the window's own controls.
#include "content_view.h"
#include "keys/keys_state.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <filesystem>

using namespace moorkeep;
using namespace moorkeep::test;

namespace {

// Whether ssh-keygen can read the private key with an empty passphrase,
// which it can exactly when the key is not protected.
bool opensWithoutPassphrase(const std::string& path) {
    QProcess keygen;
    keygen.start(u"/usr/bin/ssh-keygen"_qs,
                 {u"-y"_qs, u"-P"_qs, QString(), u"-f"_qs, QString::fromStdString(path)});
    keygen.closeWriteChannel();
    if (!keygen.waitForFinished(15000))
        qFatal("ssh-keygen did not finish");
    return keygen.exitStatus() == QProcess::NormalExit && keygen.exitCode() == 0;
}

} // namespace

class KeysEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void generateProtectRenameAndDeleteThroughTheWindow() {
        TempDir home;
        const std::string ssh = home.file(".ssh");
        const std::string privateKey = ssh + "/e2e_key";
        const std::string publicKey = privateKey + ".pub";
        const std::string metaPath = home.file("meta/moorkeep-config.json");
        AppModel model(std::make_shared<SystemVaultStore>(
            SystemVaultStore::Options{.homedir = home.path(),
                                      .userMetaPath = metaPath,
                                      .backupFolder = home.file("state/backups")}));
        ContentView window(model);
        model.setTab(AppTab::keys);
        window.show();
        QTRY_VERIFY(!model.isLoading());
        QVERIFY(model.keys().empty());
        QVERIFY(window.findChild<QWidget*>(u"emptyKeysState"_qs));
        auto find = [&](const QString& name) { return window.findChild<QWidget*>(name); };
        auto input = [&](QWidget* dialog, const QString& name) {
            return dialog->findChild<QLineEdit*>(name);
        };
        // Shortcuts go to the active window; a closed sheet may leave none.
        auto shortcut = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            window.activateWindow();
            QTRY_VERIFY(window.isActiveWindow());
            QTest::keyClick(&window, Qt::Key(key), modifiers);
        };
        auto press = [&](QWidget* dialog, const QString& name) {
            dialog->findChild<QPushButton*>(name)->click();
        };

        // Generate, with a display name.
        shortcut(Qt::Key_N, Qt::ControlModifier);
        QWidget* dialog = find(u"generateKeyDialog"_qs);
        QVERIFY(dialog);
        QTest::keyClicks(input(dialog, u"fileNameField"_qs), u"e2e_key"_qs);
        QTest::keyClicks(input(dialog, u"displayNameField"_qs), u"End to end"_qs);
        QTest::keyClicks(input(dialog, u"emailField"_qs), u"me@example.org"_qs);
        QTest::keyClick(input(dialog, u"emailField"_qs), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!window.keysState().sheet(), 20000);
        QVERIFY(std::filesystem::exists(privateKey));
        QVERIFY(readFile(publicKey).find("me@example.org") != std::string::npos);
        QCOMPARE(modeOf(privateKey), mode_t(0600));
        QVERIFY(opensWithoutPassphrase(privateKey));
        QCOMPARE(model.keys().size(), 1u);
        QCOMPARE(model.keys()[0].name, "End to end");
        QCOMPARE(model.keys()[0].hasPassphrase, std::optional<bool>(false));
        QVERIFY(readFile(metaPath).find("End to end") != std::string::npos);
        window.keysState().setSelectedId(model.keys()[0].id);

        // Set a passphrase from the header's lock button.
        auto passphraseDialog = [&] {
            qobject_cast<QAbstractButton*>(find(u"passphraseButton"_qs))->click();
            QWidget* shown = find(u"passphraseDialog"_qs);
            if (!shown)
                qFatal("no passphrase dialog");
            return shown;
        };
        std::string before = readFile(privateKey);
        shortcut(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        dialog = find(u"passphraseDialog"_qs);
        QVERIFY(dialog);
        QTest::keyClicks(input(dialog, u"newPassphraseField"_qs), u"first pass"_qs);
        QTest::keyClicks(input(dialog, u"confirmPassphraseField"_qs), u"first pass"_qs);
        press(dialog, u"saveButton"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!window.keysState().sheet(), 20000);
        QVERIFY(readFile(privateKey) != before);
        QVERIFY(!opensWithoutPassphrase(privateKey));
        QCOMPARE(model.keys()[0].hasPassphrase, std::optional<bool>(true));

        // A wrong current passphrase fails in the dialog and changes nothing.
        before = readFile(privateKey);
        dialog = passphraseDialog();
        QTest::keyClicks(input(dialog, u"currentPassphraseField"_qs), u"wrong"_qs);
        QTest::keyClicks(input(dialog, u"newPassphraseField"_qs), u"second"_qs);
        QTest::keyClicks(input(dialog, u"confirmPassphraseField"_qs), u"second"_qs);
        press(dialog, u"saveButton"_qs);
        auto* failure = dialog->findChild<QLabel*>(u"failureLabel"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(failure->isVisible(), 20000);
        QCOMPARE(failure->text(), u"The current passphrase of ~/.ssh/e2e_key is not right."_qs);
        QCOMPARE(readFile(privateKey), before);

        // Change it.
        input(dialog, u"currentPassphraseField"_qs)->setText(u"first pass"_qs);
        press(dialog, u"saveButton"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!window.keysState().sheet(), 20000);
        QVERIFY(readFile(privateKey) != before);
        QVERIFY(!opensWithoutPassphrase(privateKey));

        // Remove it: both new fields left empty.
        dialog = passphraseDialog();
        QTest::keyClicks(input(dialog, u"currentPassphraseField"_qs), u"second"_qs);
        QCOMPARE(dialog->findChild<QPushButton*>(u"saveButton"_qs)->text(),
                 u"Remove Passphrase"_qs);
        press(dialog, u"saveButton"_qs);
        press(dialog->findChild<QMessageBox*>(u"removePassphraseAlert"_qs),
              u"alertRemoveButton"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!window.keysState().sheet(), 20000);
        QVERIFY(opensWithoutPassphrase(privateKey));
        QCOMPARE(model.keys()[0].hasPassphrase, std::optional<bool>(false));

        // Rename: only the metadata changes.
        before = readFile(privateKey);
        shortcut(Qt::Key_F2);
        dialog = find(u"renameKeyDialog"_qs);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        input(dialog, u"displayNameField"_qs)->setText(u"Renamed"_qs);
        press(dialog, u"saveButton"_qs);
        QTRY_VERIFY(!window.keysState().sheet());
        QTRY_VERIFY(readFile(metaPath).find("Renamed") != std::string::npos);
        QCOMPARE(model.keys()[0].name, "Renamed");
        QCOMPARE(readFile(privateKey), before);

        // Delete, confirmed in the alert: both files go.
        shortcut(Qt::Key_Delete);
        auto* alert = window.findChild<QMessageBox*>(u"deleteKeyAlert"_qs);
        QVERIFY(alert);
        QCOMPARE(alert->text(), u"Delete \"Renamed\"?"_qs);
        alert->findChild<QPushButton*>(u"alertDeleteButton"_qs)->click();
        QTRY_VERIFY(!std::filesystem::exists(privateKey));
        QTRY_VERIFY(!std::filesystem::exists(publicKey));
        QTRY_VERIFY(!window.keysState().selectedId());
        QVERIFY(model.keys().empty());
        QVERIFY(!model.errorMessage());
    }
};

MOORKEEP_APP_TEST_MAIN(KeysEndToEndTest)

#include "keys_end_to_end_test.moc"
