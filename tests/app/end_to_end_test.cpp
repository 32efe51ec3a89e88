// The window on a real temporary home with the system store and the real
// /usr/bin/ssh-keygen. Every change made through the window's own controls,
// one after the other on one window, is checked in the files: the
// configuration byte for byte, a key in what ssh-keygen reads. Beside an
// editor, a terminal and moorkeepctl, the changes other programs make show
// without the user asking, in one reload per burst, and the user's own place
// survives them.
#include "hosts/defaults_dialog.h"
#include "hosts/host_dialog.h"
#include "keys/keys_state.h"
#include "metadata/user_meta_store.h"
#include "reading/config_parser.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

#include <atomic>
#include <filesystem>

namespace {

constexpr int waitMs = 10000;

QString sshFile(const QString& name) {
    return QDir::homePath() + u"/.ssh/"_qs + name;
}

// As editors and our own store write: a new file renamed over the old one.
void replaceConfig(const QByteArray& bytes) {
    QSaveFile file(sshFile(u"config"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    QVERIFY(file.commit());
}

void appendToConfig(const QByteArray& bytes) {
    QFile file(sshFile(u"config"_qs));
    QVERIFY(file.open(QIODevice::Append));
    file.write(bytes);
}

// The system store, counting how often the whole snapshot is read.
class CountingStore : public SystemVaultStore {
public:
    VaultData loadData() override {
        ++loads;
        return SystemVaultStore::loadData();
    }
    std::atomic<int> loads = 0;
};

const QByteArray twoHosts = "Host web\n  HostName 10.0.0.1\n\nHost db\n  HostName 10.0.0.2\n";

const std::string head = "# my hosts\n"
                         "Host web\n"
                         "    HostName 10.0.0.1\n"
                         "    User deploy\n"
                         "\n";
const std::string defaults = "Host *\n"
                             "    ServerAliveInterval 30\n";
const std::string original = head + defaults;
const std::string dbBlock = "Host db\n  HostName 10.0.0.2\n  User admin\n  Port 2200\n";

// A new block goes before Host *, which applies to it too: OpenSSH takes the
// first value it meets.
std::string withBlock(const std::string& block) {
    return head + block + "\n" + defaults;
}

QLineEdit* field(QWidget* dialog, const char* name) {
    return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
}

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

class EndToEndTest : public QObject {
    Q_OBJECT

private:
    std::optional<TestHome> home_;
    std::shared_ptr<CountingStore> store_;
    std::optional<StoreWindow> w_;

private slots:
    // Every test starts in a home of its own on the same two hosts, no keys,
    // and a fresh window.
    void init() {
        home_.emplace();
        QVERIFY(QDir().mkpath(sshFile(QString())));
        replaceConfig(twoHosts);
        store_ = std::make_shared<CountingStore>();
        w_.emplace(store_);
        QTRY_VERIFY(w_->find(u"hostDetailView"_qs) || w_->find(u"emptyHostsState"_qs));
        QVERIFY(w_->host("web") && w_->host("db"));
    }

    void cleanup() {
        w_.reset();
        store_.reset();
        home_.reset();
    }

    // A selected host that changes stays selected. The search, the open
    // dialog and the selection stay when the selected host goes; the detail
    // is then the empty state, and the dialog cannot save.
    void theSelectionSurvivesChangesAndAGoneHostEmptiesTheDetail() {
        w_->view.hostsState().setSelectedId(w_->host("db")->id);
        replaceConfig(twoHosts + "  User changed\n");
        QTRY_VERIFY_WITH_TIMEOUT(w_->host("db")->user == "changed", waitMs);
        QCOMPARE(w_->view.hostsState().selectedId(), w_->host("db")->id);
        QVERIFY(!w_->find(u"emptyHostsState"_qs));

        w_->view.hostsState().setSelectedId(w_->host("web")->id);
        w_->find<QLineEdit>(u"hostsSearchField"_qs)->setText(u"w"_qs);
        w_->find<QPushButton>(u"editHostButton"_qs)->click();
        auto* dialog = w_->find<HostDialog>(u"hostDialog"_qs);
        QVERIFY(dialog);
        replaceConfig("Host db\n  HostName 10.0.0.2\n");
        QTRY_VERIFY_WITH_TIMEOUT(!w_->host("web"), waitMs);
        QVERIFY(w_->find(u"emptyHostsState"_qs));
        QCOMPARE(w_->find<QLineEdit>(u"hostsSearchField"_qs)->text(), u"w"_qs);
        QCOMPARE(w_->find<HostDialog>(u"hostDialog"_qs), dialog);
        QVERIFY(dialog->findChild<QWidget*>(u"changedOutsideLine"_qs)->isVisibleTo(dialog));
        QVERIFY(!dialog->findChild<QPushButton*>(u"saveButton"_qs)->isEnabled());
    }

    // An edit an earlier block overrides keeps its dialog, as typed, under
    // the alert that offers the ways out; moving the block and saving is one
    // change, and ssh -G then uses the edit.
    void anOverriddenEditOffersToMoveTheBlockAndSave() {
        replaceConfig("Host *\n  User admin\n\nHost web\n  HostName 10.0.0.1\n");
        QTRY_VERIFY_WITH_TIMEOUT(!w_->host("db"), waitMs);
        w_->view.hostsState().setSelectedId(w_->host("web")->id);
        QTRY_VERIFY(w_->find<QPushButton>(u"editHostButton"_qs));
        w_->find<QPushButton>(u"editHostButton"_qs)->click();
        auto* dialog = w_->find<HostDialog>(u"hostDialog"_qs);
        type(field(dialog, "userField"), u"carol"_qs);
        dialog->findChild<QPushButton*>(u"saveButton"_qs)->click();
        QMessageBox* alert = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((alert = w_->find<QMessageBox>(u"ignoredChangeAlert"_qs)), waitMs);
        QCOMPARE(alert->windowTitle(), u"OpenSSH would ignore this change"_qs);
        QVERIFY(alert->findChild<QPushButton*>(u"editDefaultsButton"_qs));
        QCOMPARE(w_->find<HostDialog>(u"hostDialog"_qs), dialog);
        QCOMPARE(field(dialog, "userField")->text(), u"carol"_qs);
        QCOMPARE(QString::fromStdString(readFile(sshFile(u"config"_qs).toStdString())),
                 u"Host *\n  User admin\n\nHost web\n  HostName 10.0.0.1\n"_qs);
        auto* move = alert->findChild<QPushButton*>(u"moveAndSaveButton"_qs);
        QCOMPARE(move->text(), u"&Move web Above Line 1 and Save"_qs);
        const auto backups = store_->listBackups().size();
        move->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w_->find<HostDialog>(u"hostDialog"_qs), waitMs);
        QCOMPARE(readFile(sshFile(u"config"_qs).toStdString()),
                 "Host web\n  HostName 10.0.0.1\n  User carol\n\nHost *\n  User admin\n");
        QCOMPARE(store_->listBackups().size(), backups + 1);
        QProcess ssh;
        ssh.start(u"/usr/bin/ssh"_qs, {u"-G"_qs, u"-F"_qs, sshFile(u"config"_qs), u"web"_qs});
        QVERIFY(ssh.waitForFinished(15000));
        QVERIFY(ssh.readAllStandardOutput().split('\n').contains("user carol"));
    }

    // Removed, then created again: still watched; and so is a file an
    // include pattern finds later.
    void newFilesAreFollowed() {
        QVERIFY(QFile::remove(sshFile(u"config"_qs)));
        QTRY_VERIFY_WITH_TIMEOUT(w_->model.hosts().empty(), waitMs);
        replaceConfig("Host back\n");
        QTRY_VERIFY_WITH_TIMEOUT(w_->host("back"), waitMs);
        appendToConfig("Host again\n");
        QTRY_VERIFY_WITH_TIMEOUT(w_->host("again"), waitMs);

        replaceConfig("Include conf.d/*\n" + twoHosts);
        QTRY_VERIFY_WITH_TIMEOUT(w_->host("web"), waitMs);
        writeFile(sshFile(u"conf.d/lab"_qs).toStdString(), "Host lab\n");
        QTRY_VERIFY_WITH_TIMEOUT(w_->host("lab"), waitMs);
    }

    void changesByMoorkeepctlAndSshKeygenShow() {
        QCOMPARE(QProcess::execute(QStringLiteral(MOORKEEPCTL_PATH),
                                   {u"host"_qs, u"edit"_qs, u"db"_qs, u"--port"_qs, u"2222"_qs}),
                 0);
        QTRY_VERIFY_WITH_TIMEOUT(w_->host("db")->port == 2222, waitMs);

        QCOMPARE(
            QProcess::execute(u"/usr/bin/ssh-keygen"_qs,
                              {u"-q"_qs, u"-t"_qs, u"ed25519"_qs, u"-N"_qs, QString(), u"-C"_qs,
                               u"made outside"_qs, u"-f"_qs, sshFile(u"outside"_qs)}),
            0);
        QTRY_VERIFY_WITH_TIMEOUT(w_->model.keys().size() == 1, waitMs);
        QCOMPARE(w_->model.keys().front().path, "~/.ssh/outside");
        w_->model.setTab(AppTab::keys);
        w_->view.keysState().setSelectedId(w_->model.keys().front().id);
        QTRY_VERIFY(w_->find(u"keyDetailView"_qs));
        QVERIFY(QFile::remove(sshFile(u"outside"_qs)));
        QVERIFY(QFile::remove(sshFile(u"outside.pub"_qs)));
        QTRY_VERIFY_WITH_TIMEOUT(w_->model.keys().empty(), waitMs);
        QTRY_VERIFY(w_->find(u"emptyKeysState"_qs));
    }

    // Each write is noticed on its own (a watcher of the test's sees it
    // before the next one), all within one burst.
    void tenQuickWritesCauseOneReload() {
        QSignalSpy rereads(&w_->model, &AppModel::rereadApplied);
        QFileSystemWatcher watcher({sshFile(u"config"_qs)});
        QSignalSpy noticed(&watcher, &QFileSystemWatcher::fileChanged);
        const int loadsBefore = store_->loads;
        for (int i = 0; i < 10; ++i) {
            appendToConfig("Host quick" + QByteArray::number(i) + "\n");
            QVERIFY(noticed.wait(waitMs));
        }
        QTRY_VERIFY_WITH_TIMEOUT(w_->host("quick9"), waitMs);
        QCOMPARE(rereads.count(), 1);
        QCOMPARE(store_->loads - loadsBefore, 1);
        QVERIFY(!rereads.wait(1000));
    }

    // Saving reads the file again once it settled; that changes nothing,
    // not even the id of a host that is new.
    void ourOwnSaveChangesNothingWhenReadAgain() {
        SSHHost added;
        added.alias = "fresh";
        added.hostname = "10.0.0.5";
        added.source = HostSource::user;
        QSignalSpy rereads(&w_->model, &AppModel::rereadApplied);
        auto save = w_->model.saveHost(added);
        QTRY_VERIFY(save.isFinished());
        QCOMPARE(rereads.count(), 0);
        QVERIFY(w_->host("fresh"));
        w_->view.hostsState().setSelectedId(w_->host("fresh")->id);
        const std::vector<SSHHost> saved = w_->model.hosts();
        QSignalSpy hostsChanged(&w_->model, &AppModel::hostsChanged);
        QSignalSpy keysChanged(&w_->model, &AppModel::keysChanged);
        QSignalSpy defaultsChanged(&w_->model, &AppModel::defaultsChanged);

        QTRY_VERIFY_WITH_TIMEOUT(rereads.count() > 0, waitMs);
        QCOMPARE(w_->model.hosts(), saved);
        QCOMPARE(hostsChanged.count(), 0);
        QCOMPARE(keysChanged.count(), 0);
        QCOMPARE(defaultsChanged.count(), 0);
        QVERIFY(w_->find(u"hostDetailView"_qs));
        QCOMPARE(w_->model.errorMessage(), std::nullopt);
    }

    void addEditRenameDeleteHostAndSaveDefaults() {
        const std::string file = sshFile(u"config"_qs).toStdString();
        replaceConfig(QByteArray::fromStdString(original));
        QTRY_VERIFY_WITH_TIMEOUT(!w_->host("db"), waitMs);
        StoreWindow& w = *w_;
        auto hostDialog = [&] { return w.find<HostDialog>(u"hostDialog"_qs); };

        w.find<QAbstractButton>(u"addHostButton"_qs)->click();
        QCOMPARE(hostDialog()->windowModality(), Qt::WindowModal);
        type(field(hostDialog(), "aliasField"), u"db"_qs);
        type(field(hostDialog(), "hostnameField"), u"10.0.0.2"_qs);
        type(field(hostDialog(), "userField"), u"admin"_qs);
        type(field(hostDialog(), "portField"), u"2200"_qs);
        hostDialog()->findChild<QPushButton*>(u"saveButton"_qs)->click();
        QCOMPARE(w.view.hostsState().sheet(), std::nullopt);
        QTRY_VERIFY(w.host("db") && w.view.hostsState().selectedId() == w.host("db")->id);
        QTRY_VERIFY(!hostDialog());
        QCOMPARE(readFile(file), withBlock(dbBlock));

        // One save changes the alias, the port and ProxyJump.
        QTRY_COMPARE(w.find<QLabel>(u"hostAliasLabel"_qs)->text(), u"db"_qs);
        w.find<QAbstractButton>(u"editHostButton"_qs)->click();
        type(field(hostDialog(), "aliasField"), u"db2"_qs);
        type(field(hostDialog(), "portField"), u"2201"_qs);
        type(field(hostDialog(), "proxyJumpField"), u" web "_qs);
        QTest::keyClick(field(hostDialog(), "newOptionValue"), Qt::Key_Return);
        QTRY_COMPARE(readFile(file), withBlock("Host db2\n  HostName 10.0.0.2\n  User admin\n  "
                                               "Port 2201\n  ProxyJump web\n"));
        QTRY_VERIFY(w.host("db2") && !w.host("db"));
        QCOMPARE(w.host("db2")->proxyJump, std::optional<std::string>("web"));
        // Once saved, the host has the id that reading the file gives it.
        QTRY_COMPARE(w.host("db2")->id, ConfigParser::hostId("db2"));
        QTRY_COMPARE(w.view.hostsState().selectedId(), w.host("db2")->id);

        QTRY_COMPARE(w.find<QLabel>(u"hostAliasLabel"_qs)->text(), u"db2"_qs);
        w.find<QAbstractButton>(u"deleteHostButton"_qs)->click();
        auto* alert = w.find<QMessageBox>(u"deleteHostAlert"_qs);
        QCOMPARE(alert->text(), u"Delete \"db2\"?"_qs);
        alert->findChild<QPushButton*>(u"confirmDeleteButton"_qs)->click();
        QTRY_COMPARE(readFile(file), original);
        QTRY_COMPARE(w.view.hostsState().selectedId(), std::nullopt);
        QVERIFY(!w.host("db2"));

        w.find<QAbstractButton>(u"defaultsButton"_qs)->click();
        auto* dialog = w.find<DefaultsDialog>(u"defaultsDialog"_qs);
        QVERIFY(dialog);
        type(field(dialog, "userField"), u"ops"_qs);
        type(field(dialog, "newOptionName"), u"Compression"_qs);
        type(field(dialog, "newOptionValue"), u"yes"_qs);
        dialog->findChild<QPushButton*>(u"addOptionButton"_qs)->click();
        dialog->findChild<QPushButton*>(u"saveButton"_qs)->click();
        QTRY_COMPARE(w.model.defaults().user, "ops");
        QCOMPARE(readFile(file), head + defaults + "    User ops\n    Compression yes\n");
        QCOMPARE(w.model.errorMessage(), std::nullopt);
    }

    void generateProtectRenameAndDeleteKey() {
        const std::string privateKey = sshFile(u"e2e_key"_qs).toStdString();
        const std::string publicKey = privateKey + ".pub";
        const std::string metaPath = UserMetaStore::defaultPath(QDir::homePath().toStdString());
        StoreWindow& w = *w_;
        w.model.setTab(AppTab::keys);
        QVERIFY(w.model.keys().empty());
        QTRY_VERIFY(w.find(u"emptyKeysState"_qs));
        // Shortcuts go to the active window; a closed sheet may leave none.
        auto shortcut = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            w.view.activateWindow();
            QTRY_VERIFY(w.view.isActiveWindow());
            QTest::keyClick(&w.view, Qt::Key(key), modifiers);
        };
        auto press = [&](QWidget* dialog, const QString& name) {
            dialog->findChild<QPushButton*>(name)->click();
        };
        auto sheetClosed = [&] { return !w.view.keysState().sheet(); };

        // Generate, with a display name.
        shortcut(Qt::Key_N, Qt::ControlModifier);
        QWidget* dialog = w.find(u"generateKeyDialog"_qs);
        QVERIFY(dialog);
        QTest::keyClicks(field(dialog, "fileNameField"), u"e2e_key"_qs);
        QTest::keyClicks(field(dialog, "displayNameField"), u"End to end"_qs);
        QTest::keyClicks(field(dialog, "emailField"), u"me@example.org"_qs);
        QTest::keyClick(field(dialog, "emailField"), Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(sheetClosed(), 20000);
        QVERIFY(readFile(publicKey).find("me@example.org") != std::string::npos);
        QCOMPARE(modeOf(privateKey), mode_t(0600));
        QVERIFY(opensWithoutPassphrase(privateKey));
        QCOMPARE(w.model.keys().size(), 1u);
        QCOMPARE(w.model.keys()[0].name, "End to end");
        QCOMPARE(w.model.keys()[0].hasPassphrase, std::optional<bool>(false));
        QVERIFY(readFile(metaPath).find("End to end") != std::string::npos);
        w.view.keysState().setSelectedId(w.model.keys()[0].id);

        // Set a passphrase.
        std::string before = readFile(privateKey);
        shortcut(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY((dialog = w.find(u"passphraseDialog"_qs)));
        QTest::keyClicks(field(dialog, "newPassphraseField"), u"first pass"_qs);
        QTest::keyClicks(field(dialog, "confirmPassphraseField"), u"first pass"_qs);
        press(dialog, u"saveButton"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(sheetClosed(), 20000);
        QVERIFY(readFile(privateKey) != before);
        QVERIFY(!opensWithoutPassphrase(privateKey));
        QCOMPARE(w.model.keys()[0].hasPassphrase, std::optional<bool>(true));

        // A wrong current passphrase fails in the dialog and changes nothing;
        // the dialog comes from the header's lock button.
        before = readFile(privateKey);
        w.find<QAbstractButton>(u"passphraseButton"_qs)->click();
        QVERIFY((dialog = w.find(u"passphraseDialog"_qs)));
        QTest::keyClicks(field(dialog, "currentPassphraseField"), u"wrong"_qs);
        QTest::keyClicks(field(dialog, "newPassphraseField"), u"second"_qs);
        QTest::keyClicks(field(dialog, "confirmPassphraseField"), u"second"_qs);
        press(dialog, u"saveButton"_qs);
        auto* failure = dialog->findChild<QLabel*>(u"failureLabel"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(failure->isVisible(), 20000);
        QCOMPARE(failure->text(), u"The current passphrase of ~/.ssh/e2e_key is not right."_qs);
        QCOMPARE(readFile(privateKey), before);

        // Change it.
        field(dialog, "currentPassphraseField")->setText(u"first pass"_qs);
        press(dialog, u"saveButton"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(sheetClosed(), 20000);
        QVERIFY(readFile(privateKey) != before);
        QVERIFY(!opensWithoutPassphrase(privateKey));

        // Remove it: both new fields left empty.
        w.find<QAbstractButton>(u"passphraseButton"_qs)->click();
        QVERIFY((dialog = w.find(u"passphraseDialog"_qs)));
        QTest::keyClicks(field(dialog, "currentPassphraseField"), u"second"_qs);
        QCOMPARE(dialog->findChild<QPushButton*>(u"saveButton"_qs)->text(),
                 u"&Remove Passphrase"_qs);
        press(dialog, u"saveButton"_qs);
        press(dialog->findChild<QMessageBox*>(u"removePassphraseAlert"_qs),
              u"alertRemoveButton"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(sheetClosed(), 20000);
        QVERIFY(opensWithoutPassphrase(privateKey));
        QCOMPARE(w.model.keys()[0].hasPassphrase, std::optional<bool>(false));

        // Rename: only the metadata changes.
        before = readFile(privateKey);
        shortcut(Qt::Key_F2);
        QVERIFY((dialog = w.find(u"renameKeyDialog"_qs)));
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        field(dialog, "displayNameField")->setText(u"Renamed"_qs);
        press(dialog, u"saveButton"_qs);
        QTRY_VERIFY(sheetClosed());
        QTRY_VERIFY(readFile(metaPath).find("Renamed") != std::string::npos);
        QCOMPARE(w.model.keys()[0].name, "Renamed");
        QCOMPARE(readFile(privateKey), before);

        // Delete, confirmed in the alert: both files go.
        shortcut(Qt::Key_Delete);
        auto* alert = w.find<QMessageBox>(u"deleteKeyAlert"_qs);
        QVERIFY(alert);
        QCOMPARE(alert->text(), u"Delete \"Renamed\"?"_qs);
        alert->findChild<QPushButton*>(u"alertDeleteButton"_qs)->click();
        QTRY_VERIFY(!std::filesystem::exists(privateKey));
        QTRY_VERIFY(!std::filesystem::exists(publicKey));
        QTRY_VERIFY(!w.view.keysState().selectedId());
        QVERIFY(w.model.keys().empty());
        QVERIFY(!w.model.errorMessage());
    }
};

MOORKEEP_APP_TEST_MAIN(EndToEndTest)

#include "end_to_end_test.moc"
