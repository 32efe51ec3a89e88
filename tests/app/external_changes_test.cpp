// The window beside an editor, a terminal and moorkeepctl: changes other
// programs make to the files on a real temporary home show without the user
// asking, in one reload per burst, and the user's own place survives them.
#include "content_view.h"
#include "hosts/host_dialog.h"
#include "keys/keys_state.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"
#include "support/test_home.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalSpy>
#include <atomic>

using namespace moorkeep;
using namespace moorkeep::test;

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

} // namespace

class ExternalChangesTest : public QObject {
    Q_OBJECT

private:
    std::optional<TestHome> home_;
    std::shared_ptr<CountingStore> store_;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<ContentView> view_;

    const SSHHost* host(const std::string& alias) const {
        const auto& hosts = model_->hosts();
        auto it = std::find_if(hosts.begin(), hosts.end(),
                               [&](const SSHHost& h) { return h.alias == alias; });
        return it == hosts.end() ? nullptr : &*it;
    }
    HostsState& hosts() { return view_->hostsState(); }
    template <typename Widget = QWidget> Widget* find(const QString& name) const {
        return view_->findChild<Widget*>(name);
    }

private slots:
    // Every test starts in a home of its own on the same two hosts, no keys,
    // and a fresh window.
    void init() {
        home_.emplace();
        QVERIFY(QDir().mkpath(sshFile(QString())));
        replaceConfig(twoHosts);
        store_ = std::make_shared<CountingStore>();
        model_ = std::make_unique<AppModel>(store_);
        view_ = std::make_unique<ContentView>(*model_);
        view_->show(); // which loads
        QTRY_VERIFY(!model_->isLoading());
        QTRY_VERIFY(find(u"hostDetailView"_qs) || find(u"emptyHostsState"_qs));
        QVERIFY(host("web") && host("db"));
    }

    void cleanup() {
        view_.reset();
        model_.reset();
        store_.reset();
        home_.reset();
    }

    // A selected host that changes stays selected. The search, the open
    // dialog and the selection stay when the selected host goes; the detail
    // is then the empty state, and the dialog cannot save.
    void theSelectionSurvivesChangesAndAGoneHostEmptiesTheDetail() {
        hosts().setSelectedId(host("db")->id);
        replaceConfig(twoHosts + "  User changed\n");
        QTRY_VERIFY_WITH_TIMEOUT(host("db")->user == "changed", waitMs);
        QCOMPARE(hosts().selectedId(), host("db")->id);
        QVERIFY(!find(u"emptyHostsState"_qs));

        hosts().setSelectedId(host("web")->id);
        find<QLineEdit>(u"hostsSearchField"_qs)->setText(u"w"_qs);
        find<QPushButton>(u"editHostButton"_qs)->click();
        auto* dialog = find<HostDialog>(u"hostDialog"_qs);
        QVERIFY(dialog);
        replaceConfig("Host db\n  HostName 10.0.0.2\n");
        QTRY_VERIFY_WITH_TIMEOUT(!host("web"), waitMs);
        QVERIFY(find(u"emptyHostsState"_qs));
        QCOMPARE(find<QLineEdit>(u"hostsSearchField"_qs)->text(), u"w"_qs);
        QCOMPARE(find<HostDialog>(u"hostDialog"_qs), dialog);
        QVERIFY(dialog->findChild<QWidget*>(u"changedOutsideLine"_qs)->isVisibleTo(dialog));
        QVERIFY(!dialog->findChild<QPushButton*>(u"saveButton"_qs)->isEnabled());
    }

    // Removed, then created again: still watched; and so is a file an
    // include pattern finds later.
    void newFilesAreFollowed() {
        QVERIFY(QFile::remove(sshFile(u"config"_qs)));
        QTRY_VERIFY_WITH_TIMEOUT(model_->hosts().empty(), waitMs);
        replaceConfig("Host back\n");
        QTRY_VERIFY_WITH_TIMEOUT(host("back"), waitMs);
        appendToConfig("Host again\n");
        QTRY_VERIFY_WITH_TIMEOUT(host("again"), waitMs);

        replaceConfig("Include conf.d/*\n" + twoHosts);
        QTRY_VERIFY_WITH_TIMEOUT(host("web"), waitMs);
        QVERIFY(QDir().mkpath(sshFile(u"conf.d"_qs)));
        QFile file(sshFile(u"conf.d/lab"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Host lab\n");
        file.close();
        QTRY_VERIFY_WITH_TIMEOUT(host("lab"), waitMs);
    }

    void changesByMoorkeepctlAndSshKeygenShow() {
        QCOMPARE(QProcess::execute(QStringLiteral(MOORKEEPCTL_PATH),
                                   {u"host"_qs, u"edit"_qs, u"db"_qs, u"--port"_qs, u"2222"_qs}),
                 0);
        QTRY_VERIFY_WITH_TIMEOUT(host("db")->port == 2222, waitMs);

        QCOMPARE(
            QProcess::execute(u"/usr/bin/ssh-keygen"_qs,
                              {u"-q"_qs, u"-t"_qs, u"ed25519"_qs, u"-N"_qs, QString(), u"-C"_qs,
                               u"made outside"_qs, u"-f"_qs, sshFile(u"outside"_qs)}),
            0);
        QTRY_VERIFY_WITH_TIMEOUT(model_->keys().size() == 1, waitMs);
        QCOMPARE(model_->keys().front().path, "~/.ssh/outside");
        model_->setTab(AppTab::keys);
        view_->keysState().setSelectedId(model_->keys().front().id);
        QTRY_VERIFY(find(u"keyDetailView"_qs));
        QVERIFY(QFile::remove(sshFile(u"outside"_qs)));
        QVERIFY(QFile::remove(sshFile(u"outside.pub"_qs)));
        QTRY_VERIFY_WITH_TIMEOUT(model_->keys().empty(), waitMs);
        QTRY_VERIFY(find(u"emptyKeysState"_qs));
    }

    // Each write is noticed on its own (a watcher of the test's sees it
    // before the next one), all within one burst.
    void tenQuickWritesCauseOneReload() {
        QSignalSpy rereads(model_.get(), &AppModel::rereadApplied);
        QFileSystemWatcher watcher({sshFile(u"config"_qs)});
        QSignalSpy noticed(&watcher, &QFileSystemWatcher::fileChanged);
        const int loadsBefore = store_->loads;
        for (int i = 0; i < 10; ++i) {
            appendToConfig("Host quick" + QByteArray::number(i) + "\n");
            QVERIFY(noticed.wait(waitMs));
        }
        QTRY_VERIFY_WITH_TIMEOUT(host("quick9"), waitMs);
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
        QSignalSpy rereads(model_.get(), &AppModel::rereadApplied);
        auto save = model_->saveHost(added);
        QTRY_VERIFY(save.isFinished());
        QCOMPARE(rereads.count(), 0);
        QVERIFY(host("fresh"));
        hosts().setSelectedId(host("fresh")->id);
        const std::vector<SSHHost> saved = model_->hosts();
        QSignalSpy hostsChanged(model_.get(), &AppModel::hostsChanged);
        QSignalSpy keysChanged(model_.get(), &AppModel::keysChanged);
        QSignalSpy defaultsChanged(model_.get(), &AppModel::defaultsChanged);

        QTRY_VERIFY_WITH_TIMEOUT(rereads.count() > 0, waitMs);
        QCOMPARE(model_->hosts(), saved);
        QCOMPARE(hostsChanged.count(), 0);
        QCOMPARE(keysChanged.count(), 0);
        QCOMPARE(defaultsChanged.count(), 0);
        QVERIFY(find(u"hostDetailView"_qs));
        QCOMPARE(model_->errorMessage(), std::nullopt);
    }
};

MOORKEEP_APP_TEST_MAIN(ExternalChangesTest)

#include "external_changes_test.moc"
