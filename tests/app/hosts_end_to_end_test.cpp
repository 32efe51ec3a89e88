#include "config/config_parser.h"
#include "content_view.h"
#include "hosts/defaults_dialog.h"
#include "hosts/host_dialog.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>

using namespace moorkeep;
using namespace moorkeep::test;

namespace {

const QByteArray head = "# my hosts\n"
                        "Host web\n"
                        "    HostName 10.0.0.1\n"
                        "    User deploy\n"
                        "\n";
const QByteArray defaults = "Host *\n"
                            "    ServerAliveInterval 30\n";
const QByteArray original = head + defaults;

// A new block goes before Host *, which applies to it too: OpenSSH takes the
// first value it meets.
QByteArray withBlock(const QByteArray& block) {
    return head + block + "\n" + defaults;
}

QString home() {
    return QDir::homePath();
}

QString configPath() {
    return home() + u"/.ssh/config"_qs;
}

QByteArray configBytes() {
    QFile file(configPath());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// What OpenSSH makes of the file for one alias: hostname, user, port, …
std::map<QString, QString> sshView(const QString& alias) {
    QProcess ssh;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_qs, home());
    ssh.setProcessEnvironment(environment);
    ssh.start(u"ssh"_qs, {u"-G"_qs, u"-F"_qs, configPath(), alias});
    ssh.waitForFinished(10000);
    std::map<QString, QString> values;
    for (const QString& line : QString::fromUtf8(ssh.readAllStandardOutput()).split(u'\n')) {
        const qsizetype space = line.indexOf(u' ');
        if (space > 0 && !values.contains(line.left(space)))
            values[line.left(space)] = line.mid(space + 1);
    }
    return values;
}

void type(QWidget* dialog, const char* field, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(field));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

} // namespace

// The window on a real temporary home: every change made through the
// dialogs is checked in the file's bytes and in what OpenSSH reads from it.
class HostsEndToEndTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<ContentView> view_;

    HostsState& state() { return view_->hostsState(); }
    bool hasAlias(const std::string& alias) const {
        const auto& hosts = model_->hosts();
        return std::any_of(hosts.begin(), hosts.end(),
                           [&](const SSHHost& host) { return host.alias == alias; });
    }
    void editSelected() {
        view_->findChild<QPushButton*>(u"editHostButton"_qs)->click();
        QVERIFY(view_->findChild<HostDialog*>(u"hostDialog"_qs));
    }
    HostDialog* hostDialog() const { return view_->findChild<HostDialog*>(u"hostDialog"_qs); }
    void noErrors() const { QCOMPARE(model_->errorMessage(), std::nullopt); }

private slots:
    void initTestCase() {
        QVERIFY(QDir().mkpath(home() + u"/.ssh"_qs));
        QFile file(configPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(original);
        file.close();
        model_ = std::make_unique<AppModel>(std::make_shared<SystemVaultStore>());
        view_ = std::make_unique<ContentView>(*model_);
        view_->show();
        QTRY_VERIFY(!model_->isLoading());
        QVERIFY(hasAlias("web"));
        QTRY_VERIFY(view_->findChild<QWidget*>(u"hostDetailView"_qs));
    }

    void cleanupTestCase() {
        view_.reset();
        model_.reset();
    }

    void addHost() {
        view_->findChild<QPushButton*>(u"addHostButton"_qs)->click();
        type(hostDialog(), "aliasField", u"db"_qs);
        type(hostDialog(), "hostnameField", u"10.0.0.2"_qs);
        type(hostDialog(), "userField", u"admin"_qs);
        type(hostDialog(), "portField", u"2200"_qs);
        hostDialog()->findChild<QPushButton*>(u"saveButton"_qs)->click();

        QTRY_VERIFY(hasAlias("db") && state().selectedId() != model_->hosts().front().id);
        noErrors();
        QCOMPARE(configBytes(),
                 withBlock("Host db\n  HostName 10.0.0.2\n  User admin\n  Port 2200\n"));
        auto ssh = sshView(u"db"_qs);
        QCOMPARE(ssh[u"hostname"_qs], u"10.0.0.2"_qs);
        QCOMPARE(ssh[u"user"_qs], u"admin"_qs);
        QCOMPARE(ssh[u"port"_qs], u"2200"_qs);
    }

    void editHost() {
        editSelected();
        type(hostDialog(), "portField", u"2201"_qs);
        type(hostDialog(), "proxyJumpField", u" web "_qs);
        QTest::keyClick(hostDialog()->findChild<QLineEdit*>(u"proxyJumpField"_qs), Qt::Key_Return);

        QTRY_VERIFY(configBytes().contains("ProxyJump"));
        QTRY_VERIFY(model_->hosts().back().proxyJump == std::optional<std::string>("web"));
        noErrors();
        QCOMPARE(configBytes(), withBlock("Host db\n  HostName 10.0.0.2\n  User admin\n  Port "
                                          "2201\n  ProxyJump web\n"));
        auto ssh = sshView(u"db"_qs);
        QCOMPARE(ssh[u"port"_qs], u"2201"_qs);
        QCOMPARE(ssh[u"proxyjump"_qs], u"web"_qs);
    }

    void renameHost() {
        editSelected();
        type(hostDialog(), "aliasField", u"db2"_qs);
        hostDialog()->findChild<QPushButton*>(u"saveButton"_qs)->click();

        QTRY_COMPARE(configBytes(), withBlock("Host db2\n  HostName 10.0.0.2\n  User admin\n  "
                                              "Port 2201\n  ProxyJump web\n"));
        QTRY_VERIFY(hasAlias("db2") && !hasAlias("db"));
        noErrors();
        QCOMPARE(sshView(u"db2"_qs)[u"hostname"_qs], u"10.0.0.2"_qs);
        // The old name is no host any more: OpenSSH takes it as the address.
        QCOMPARE(sshView(u"db"_qs)[u"hostname"_qs], u"db"_qs);
        QCOMPARE(model_->hosts().back().alias, "db2");
        // Once saved, the host has the id that reading the file gives it.
        QTRY_COMPARE(model_->hosts().back().id, ConfigParser::hostId("db2"));
        QTRY_COMPARE(state().selectedId(), model_->hosts().back().id);
    }

    void deleteHost() {
        view_->findChild<QPushButton*>(u"deleteHostButton"_qs)->click();
        auto* alert = view_->findChild<QMessageBox*>(u"deleteHostAlert"_qs);
        QCOMPARE(alert->text(), u"Delete \"db2\"?"_qs);
        alert->findChild<QPushButton*>(u"confirmDeleteButton"_qs)->click();

        QTRY_COMPARE(configBytes(), original);
        QTRY_COMPARE(state().selectedId(), std::nullopt);
        noErrors();
        QVERIFY(!hasAlias("db2"));
        QCOMPARE(sshView(u"db2"_qs)[u"port"_qs], u"22"_qs);
    }

    void saveDefaults() {
        view_->findChild<QToolButton*>(u"defaultsButton"_qs)->click();
        auto* dialog = view_->findChild<DefaultsDialog*>(u"defaultsDialog"_qs);
        QVERIFY(dialog);
        type(dialog, "userField", u"ops"_qs);
        type(dialog, "newOptionName", u"Compression"_qs);
        type(dialog, "newOptionValue", u"yes"_qs);
        dialog->findChild<QPushButton*>(u"addOptionButton"_qs)->click();
        dialog->findChild<QPushButton*>(u"saveButton"_qs)->click();

        QTRY_COMPARE(model_->defaults().user, "ops");
        noErrors();
        QCOMPARE(configBytes(),
                 QByteArray("# my hosts\nHost web\n    HostName 10.0.0.1\n    User deploy\n\n"
                            "Host *\n    ServerAliveInterval 30\n"
                            "    User ops\n    Compression yes\n"));
        auto web = sshView(u"web"_qs);
        QCOMPARE(web[u"user"_qs], u"deploy"_qs);
        QCOMPARE(web[u"compression"_qs], u"yes"_qs);
        QCOMPARE(sshView(u"other"_qs)[u"user"_qs], u"ops"_qs);
    }
};

MOORKEEP_APP_TEST_MAIN(HostsEndToEndTest)

#include "hosts_end_to_end_test.moc"
