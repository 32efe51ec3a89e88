#include "config/config_parser.h"
#include "content_view.h"
#include "hosts/defaults_dialog.h"
#include "hosts/host_dialog.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"
#include "support/ssh_view.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

using namespace moorkeep;
using namespace moorkeep::test;

namespace {

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

void type(QWidget* dialog, const char* field, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(field));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// The window on a real temporary home whose configuration starts as given.
struct Window {
    explicit Window(const std::string& config) {
        writeFile(home.file(".ssh/config"), config);
        model = std::make_unique<AppModel>(std::make_shared<SystemVaultStore>(
            SystemVaultStore::Options{.homedir = home.path(),
                                      .userMetaPath = home.file("meta.json"),
                                      .backupFolder = home.file("backups")}));
        view = std::make_unique<ContentView>(*model);
        view->show();
    }
    ~Window() {
        view.reset();
        model.reset();
    }

    std::string config() const { return readFile(home.file(".ssh/config")); }
    // What OpenSSH uses for the alias: the first value of the keyword.
    std::string ssh(const std::string& alias, const std::string& keyword) const {
        const SshView view = sshView(home.file(".ssh/config"), alias, home.path());
        return view.contains(keyword) ? view.at(keyword).front() : std::string();
    }
    const SSHHost* host(const std::string& alias) const {
        for (const auto& host : model->hosts())
            if (host.alias == alias)
                return &host;
        return nullptr;
    }
    HostsState& state() const { return view->hostsState(); }
    HostDialog* hostDialog() const { return view->findChild<HostDialog*>(u"hostDialog"_qs); }
    void click(const QString& name) const { view->findChild<QAbstractButton*>(name)->click(); }

    TempDir home;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ContentView> view;
};

} // namespace

// Every change made through the dialogs, one after the other on one window,
// is checked in the file's bytes and in what OpenSSH reads from it.
class HostsEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void addEditRenameDeleteAndSaveDefaults() {
        Window w(original);
        QTRY_VERIFY(!w.model->isLoading() && w.host("web"));

        w.click(u"addHostButton"_qs);
        QCOMPARE(w.hostDialog()->windowModality(), Qt::WindowModal);
        type(w.hostDialog(), "aliasField", u"db"_qs);
        type(w.hostDialog(), "hostnameField", u"10.0.0.2"_qs);
        type(w.hostDialog(), "userField", u"admin"_qs);
        type(w.hostDialog(), "portField", u"2200"_qs);
        w.hostDialog()->findChild<QPushButton*>(u"saveButton"_qs)->click();
        QCOMPARE(w.state().sheet(), std::nullopt);
        QTRY_VERIFY(w.host("db") && w.state().selectedId() == w.host("db")->id);
        QTRY_VERIFY(!w.hostDialog());
        QCOMPARE(w.config(), withBlock(dbBlock));
        QCOMPARE(w.ssh("db", "hostname"), "10.0.0.2");
        QCOMPARE(w.ssh("db", "user"), "admin");
        QCOMPARE(w.ssh("db", "port"), "2200");

        // One save changes the alias, the port and ProxyJump.
        QTRY_COMPARE(w.view->findChild<QLabel*>(u"hostAliasLabel"_qs)->text(), u"db"_qs);
        w.click(u"editHostButton"_qs);
        type(w.hostDialog(), "aliasField", u"db2"_qs);
        type(w.hostDialog(), "portField", u"2201"_qs);
        type(w.hostDialog(), "proxyJumpField", u" web "_qs);
        QTest::keyClick(w.hostDialog()->findChild<QLineEdit*>(u"proxyJumpField"_qs),
                        Qt::Key_Return);
        QTRY_COMPARE(w.config(), withBlock("Host db2\n  HostName 10.0.0.2\n  User admin\n  Port "
                                           "2201\n  ProxyJump web\n"));
        QTRY_VERIFY(w.host("db2") && !w.host("db"));
        QCOMPARE(w.host("db2")->proxyJump, std::optional<std::string>("web"));
        QCOMPARE(w.ssh("db2", "port"), "2201");
        QCOMPARE(w.ssh("db2", "proxyjump"), "web");
        // The old name is no host any more: OpenSSH takes it as the address.
        QCOMPARE(w.ssh("db", "hostname"), "db");
        // Once saved, the host has the id that reading the file gives it.
        QTRY_COMPARE(w.host("db2")->id, ConfigParser::hostId("db2"));
        QTRY_COMPARE(w.state().selectedId(), w.host("db2")->id);

        QTRY_COMPARE(w.view->findChild<QLabel*>(u"hostAliasLabel"_qs)->text(), u"db2"_qs);
        w.click(u"deleteHostButton"_qs);
        auto* alert = w.view->findChild<QMessageBox*>(u"deleteHostAlert"_qs);
        QCOMPARE(alert->text(), u"Delete \"db2\"?"_qs);
        alert->findChild<QPushButton*>(u"confirmDeleteButton"_qs)->click();
        QTRY_COMPARE(w.config(), original);
        QTRY_COMPARE(w.state().selectedId(), std::nullopt);
        QVERIFY(!w.host("db2"));
        QCOMPARE(w.ssh("db2", "port"), "22");

        w.click(u"defaultsButton"_qs);
        auto* dialog = w.view->findChild<DefaultsDialog*>(u"defaultsDialog"_qs);
        QVERIFY(dialog);
        type(dialog, "userField", u"ops"_qs);
        type(dialog, "newOptionName", u"Compression"_qs);
        type(dialog, "newOptionValue", u"yes"_qs);
        dialog->findChild<QPushButton*>(u"addOptionButton"_qs)->click();
        dialog->findChild<QPushButton*>(u"saveButton"_qs)->click();
        QTRY_COMPARE(w.model->defaults().user, "ops");
        QCOMPARE(w.config(), head + defaults + "    User ops\n    Compression yes\n");
        QCOMPARE(w.ssh("web", "user"), "deploy");
        QCOMPARE(w.ssh("web", "compression"), "yes");
        QCOMPARE(w.ssh("other", "user"), "ops");
        QCOMPARE(w.model->errorMessage(), std::nullopt);
    }
};

MOORKEEP_APP_TEST_MAIN(HostsEndToEndTest)

#include "hosts_end_to_end_test.moc"
