#include "hosts/host_detail_view.h"
#include "hosts/host_dialog.h"
#include "style/elided_label.h"
#include "support/window_harness.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QToolTip>

using namespace moorkeep;
using namespace moorkeep::test;

namespace {

// prod-db and web of user deploy, Zürich-Backup (at backup.example.org) of
// root stored by the application; web has a jump host and options, db uses a
// key that is not there.
VaultData screenVault() {
    VaultData data = sampleVault();
    data.hosts[0].alias = "prod-db";
    data.hosts[0].user = "deploy";
    data.hosts[0].hostname = "10.0.0.5";
    data.hosts[1].alias = "web";
    data.hosts[1].user = "deploy";
    data.hosts[1].port = 2222;
    data.hosts[1].proxyJump = "bastion";
    data.hosts[1].keyId = "key-gone";
    data.hosts[1].extraOptions = {{"ServerAliveInterval", "60"},
                                  {"Compression", "yes"},
                                  {"AddKeysToAgent", "yes"},
                                  {"forwardAgent", "no"}};
    data.hosts[2].alias = "Zürich-Backup";
    data.hosts[2].user = "root";
    return data;
}

QStringList strings(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

struct ScreenHarness : WindowHarness {
    explicit ScreenHarness(VaultData data = screenVault())
        : WindowHarness(std::move(data)) {
        showLoaded();
        // The detail pane is filled a moment after the list is shown.
        if (!QTest::qWaitFor(
                [&] { return find(u"hostDetailView"_qs) || find(u"emptyHostsState"_qs); }))
            qFatal("the detail pane did not come up");
    }

    HostsState& state() const { return view->hostsState(); }
    QStringList listed() const {
        QStringList aliases;
        auto* list = find<QListView>(u"hostList"_qs);
        for (int row = 0; row < list->model()->rowCount(); ++row)
            aliases << list->model()->index(row, 0).data().toString();
        return aliases;
    }
    QString detailAlias() const {
        auto* label = find<QLabel>(u"hostAliasLabel"_qs);
        return label ? label->text() : QString();
    }
    void press(QKeyCombination key) const {
        QWidget* target = QApplication::activeModalWidget();
        if (target && target->focusWidget())
            target = target->focusWidget();
        if (!target) {
            // Offscreen there is no window manager to hand the focus back.
            QApplication::setActiveWindow(view.get());
            target = QApplication::focusWidget() ? QApplication::focusWidget() : view.get();
        }
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
    }
    QMessageBox* deleteAlert() const { return find<QMessageBox>(u"deleteHostAlert"_qs); }
    HostDialog* hostDialog() const { return find<HostDialog>(u"hostDialog"_qs); }
};

} // namespace

class HostsScreenTest : public QObject {
    Q_OBJECT

private slots:
    // Letters beyond ASCII match whatever their case, and the texts of all
    // hosts are searched even right after they appear.
    void searchFiltersWithoutMovingTheSelection_data() {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("empty") << "" << strings({"prod-db", "web", "Zürich-Backup"});
        QTest::newRow("capitals") << "PROD" << strings({"prod-db"});
        QTest::newRow("user") << "deploy" << strings({"prod-db", "web"});
        QTest::newRow("host name") << "example.org" << strings({"web", "Zürich-Backup"});
        QTest::newRow("port") << "2222" << strings({});
        QTest::newRow("trailing space narrows") << "web " << strings({});
        QTest::newRow("capitals beyond ASCII") << "ZÜRICH-b" << strings({"Zürich-Backup"});
        QTest::newRow("small letters beyond ASCII") << "üR" << strings({"Zürich-Backup"});
        QTest::newRow("no folding of accents") << "uri" << strings({});
    }

    void searchFiltersWithoutMovingTheSelection() {
        QFETCH(QString, search);
        QFETCH(QStringList, listed);
        ScreenHarness h;
        auto* list = h.find<QListView>(u"hostList"_qs);
        QAbstractItemModelTester tester(list->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("cfg-web"));
        QCOMPARE(h.detailAlias(), u"prod-db"_qs);

        h.find<QLineEdit>(u"hostsSearchField"_qs)->setText(search);

        QCOMPARE(h.state().search(), search);
        QCOMPARE(h.listed(), listed);
        // The selected host stays shown even when the search hides it.
        QCOMPARE(h.detailAlias(), u"prod-db"_qs);
    }

    void footerCountsAllHosts_data() {
        QTest::addColumn<int>("hosts");
        QTest::addColumn<QString>("footer");
        QTest::newRow("none") << 0 << "0 hosts";
        QTest::newRow("one") << 1 << "1 host";
        QTest::newRow("three") << 3 << "3 hosts";
    }

    void footerCountsAllHosts() {
        QFETCH(int, hosts);
        QFETCH(QString, footer);
        VaultData data = screenVault();
        data.hosts.resize(std::size_t(hosts));
        ScreenHarness h(data);
        QCOMPARE(h.find<QLabel>(u"hostCountLabel"_qs)->text(), footer);
        QTest::keyClicks(h.find<QLineEdit>(u"hostsSearchField"_qs), u"zzz"_qs);
        QCOMPARE(h.find<QLabel>(u"hostCountLabel"_qs)->text(), footer);
        QCOMPARE(bool(h.find(u"emptyHostsState"_qs)), hosts == 0);
        if (hosts == 0)
            QCOMPARE(h.find<QLabel>(u"emptyHostsTitle"_qs)->text(), u"No hosts yet"_qs);
    }

    // Four cards, or five with a jump host; a key that is not there reads
    // None; options sorted by code point; no options, no heading.
    void detailShowsTheHostsCards() {
        ScreenHarness h;
        auto values = [&] {
            QStringList texts;
            for (auto* card : h.find(u"hostCards"_qs)->findChildren<QLabel*>(u"cardValue"_qs))
                texts << card->text();
            return texts;
        };
        QCOMPARE(values(), (strings({"10.0.0.5", "deploy", "22", "Laptop"})));
        QVERIFY(h.find(u"sshConfigBadge"_qs));
        QCOMPARE(h.find(u"hostCards"_qs)->findChild<QLabel*>(u"cardBadge"_qs)->text(),
                 u"ed25519"_qs);
        QVERIFY(!h.find(u"extraOptionsCard"_qs));

        h.state().setSelectedId("cfg-db");
        QCOMPARE(values(), (strings({"db.example.org", "deploy", "2222", "None", "bastion"})));
        QVERIFY(!h.find(u"hostCards"_qs)->findChild<QLabel*>(u"cardBadge"_qs));
        QStringList options;
        for (auto* name :
             h.find(u"extraOptionsCard"_qs)->findChildren<QLabel*>(u"extraOptionName"_qs))
            options << name->text();
        QCOMPARE(options, (strings({"AddKeysToAgent", "Compression", "ServerAliveInterval",
                                    "forwardAgent"})));

        h.state().setSelectedId("USER-backup");
        QVERIFY(!h.find(u"sshConfigBadge"_qs));
        QCOMPARE(h.find<QLabel>(u"commandText"_qs)->text(), u"ssh root@backup.example.org"_qs);
    }

    void detailSaysWhichLinesOpenSSHIgnores() {
        VaultData data = screenVault();
        const std::string config = QDir::homePath().toStdString() + "/.ssh/config";
        data.hosts[0].user = "admin";
        data.hosts[0].facts.shadowed = {
            {"user", "bob", {config, 5}, "admin", {config, 2}, "Host *"}};
        data.hosts[0].facts.alsoApplies = {{"Host *", {config, 1}}};
        data.hosts[0].facts.unresolved = {{"Match exec \"true\"", {config, 7}}};
        ScreenHarness h(data);
        auto* cards = h.find(u"hostCards"_qs);
        const auto badges = cards->findChildren<QLabel*>(u"shadowBadge"_qs);
        QCOMPARE(badges.size(), 1);
        QCOMPARE(cards->findChild<QLabel*>(u"shadowNote"_qs)->text(),
                 u"OpenSSH uses admin from ~/.ssh/config line 2, not bob from line 5."_qs);
        QStringList blocks;
        for (auto* label :
             h.find(u"alsoAppliesCard"_qs)->findChildren<QLabel*>(u"alsoAppliesBlock"_qs))
            blocks << label->text();
        QCOMPARE(blocks, (strings({"Host *", "Match exec \"true\""})));

        h.state().setSelectedId("cfg-db");
        QVERIFY(h.find(u"hostCards"_qs)->findChildren<QLabel*>(u"shadowBadge"_qs).isEmpty());
        QVERIFY(!h.find(u"alsoAppliesCard"_qs));
    }

    void copyPutsTheCommandOnTheClipboardAndSaysCopied() {
        ScreenHarness h;
        h.state().setSelectedId("cfg-db");
        QGuiApplication::clipboard()->setText(u"old"_qs);
        auto* copy = h.find<QToolButton>(u"copyCommandButton"_qs);
        QCOMPARE(copy->text(), u"Copy"_qs);

        copy->click();

        QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh web"_qs);
        QCOMPARE(copy->text(), u"Copied"_qs);
        QElapsedTimer shown;
        shown.start();
        QTRY_COMPARE_WITH_TIMEOUT(copy->text(), u"Copy"_qs, 2 * HostDetailView::copiedMilliseconds);
        QVERIFY(shown.elapsed() >= HostDetailView::copiedMilliseconds - 100);
    }

    void deletingAsksFirst_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("selectedAfter"); // null for none
        QTest::newRow("the selected host") << "cfg-web"
                                           << "Delete \"prod-db\"?"
                                           << "This will remove the host block from your SSH "
                                              "config file. This action cannot be undone."
                                           << QString();
        QTest::newRow("another host")
            << "USER-backup"
            << "Delete \"Zürich-Backup\"?"
            << "This will permanently remove this host. This action cannot be undone."
            << "cfg-web";
    }

    void deletingAsksFirst() {
        QFETCH(QString, id);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(QString, selectedAfter);
        ScreenHarness h;
        const auto hosts = h.model->hosts();
        const SSHHost host = *std::find_if(
            hosts.begin(), hosts.end(), [&](const SSHHost& x) { return x.id == id.toStdString(); });

        // Cancel first: nothing is deleted.
        h.state().setToDelete(host);
        QVERIFY(h.deleteAlert());
        QCOMPARE(h.deleteAlert()->text(), title);
        QCOMPARE(h.deleteAlert()->informativeText(), message);
        h.deleteAlert()->findChild<QPushButton*>(u"cancelDeleteButton"_qs)->click();
        QCOMPARE(h.state().toDelete(), std::nullopt);
        QCOMPARE(h.model->hosts().size(), 3u);
        QTRY_VERIFY(!h.deleteAlert());

        h.state().setToDelete(host);
        h.deleteAlert()->findChild<QPushButton*>(u"confirmDeleteButton"_qs)->click();
        QCOMPARE(h.state().toDelete(), std::nullopt);
        QTRY_COMPARE(h.model->hosts().size(), 2u);
        QTRY_COMPARE(h.state().selectedId(), selectedAfter.isNull()
                                                 ? std::nullopt
                                                 : std::optional(selectedAfter.toStdString()));
        QCOMPARE(bool(h.find(u"emptyHostsState"_qs)), selectedAfter.isNull());
    }

    void keyboardAlone() {
        ScreenHarness h;
        auto* search = h.find<QLineEdit>(u"hostsSearchField"_qs);
        h.press(Qt::CTRL | Qt::Key_F);
        QVERIFY(search->hasFocus());
        h.press(QKeyCombination(Qt::Key_Down));
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("cfg-db"));
        h.press(QKeyCombination(Qt::Key_Down));
        h.press(QKeyCombination(Qt::Key_Down));
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("USER-backup"));
        h.press(QKeyCombination(Qt::Key_Up));
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("cfg-db"));

        h.press(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh web"_qs);
        QCOMPARE(h.find<QToolButton>(u"copyCommandButton"_qs)->text(), u"Copied"_qs);

        // Ctrl+E works from the search field too; Escape closes the dialog.
        h.press(Qt::CTRL | Qt::Key_E);
        QTRY_VERIFY(h.hostDialog() && h.hostDialog()->isVisible());
        QCOMPARE(h.hostDialog()->existing()->id, "cfg-db");
        h.press(QKeyCombination(Qt::Key_Escape));
        QCOMPARE(h.state().sheet(), std::nullopt);
        QTRY_VERIFY(!h.hostDialog());

        h.press(Qt::CTRL | Qt::Key_N);
        QTRY_VERIFY(h.hostDialog() && h.hostDialog()->isVisible());
        QVERIFY(!h.hostDialog()->existing());
        h.press(QKeyCombination(Qt::Key_Escape));
        QTRY_VERIFY(!h.hostDialog());

        h.find<QListView>(u"hostList"_qs)->setFocus();
        h.press(QKeyCombination(Qt::Key_Delete));
        QTRY_VERIFY(h.deleteAlert());
        QCOMPARE(h.deleteAlert()->text(), u"Delete \"web\"?"_qs);
        h.press(QKeyCombination(Qt::Key_Escape));
        QTRY_VERIFY(!h.deleteAlert());
        QCOMPARE(h.model->hosts().size(), 3u);

        // On the Keys tab the Hosts screen's keys do nothing.
        h.press(Qt::CTRL | Qt::Key_2);
        QCOMPARE(h.model->tab(), AppTab::keys);
        h.press(Qt::CTRL | Qt::Key_E);
        QVERIFY(!h.hostDialog());
        QCOMPARE(h.state().sheet(), std::nullopt);
        h.press(Qt::CTRL | Qt::Key_1);
        QCOMPARE(h.model->tab(), AppTab::hosts);
    }

    // The search field has the keys from the start; a search that hides
    // every host says so in the list's place, and Escape ends it.
    void emptyPanesSayWhy() {
        ScreenHarness h;
        auto* search = h.find<QLineEdit>(u"hostsSearchField"_qs);
        QVERIFY(search->hasFocus());
        QTest::keyClicks(search, u"zzz"_qs);
        auto* noMatch = h.find<QLabel>(u"noMatchLabel"_qs);
        QVERIFY(noMatch->isVisible());
        QCOMPARE(noMatch->text(), u"No hosts match \u201czzz\u201d"_qs);
        QVERIFY(!h.find(u"hostList"_qs)->isVisible());
        QTest::keyClick(search, Qt::Key_Escape);
        QCOMPARE(h.state().search(), QString());
        QVERIFY(!noMatch->isVisible());
        QCOMPARE(h.listed().size(), 3);
        // Delete in the empty field is for the selected host.
        QTest::keyClick(search, Qt::Key_Delete);
        QTRY_VERIFY(h.deleteAlert());
        h.press(QKeyCombination(Qt::Key_Escape));
        QTRY_VERIFY(!h.deleteAlert());

        h.state().setSelectedId(std::nullopt);
        QTRY_COMPARE(h.find<QLabel>(u"emptyHostsTitle"_qs)->text(), u"Select a host"_qs);
    }

    // Too long for the pane: shortened with "…", whole in the tooltip and
    // for screen readers, which hear every value under its caption.
    void longValuesAreShortenedButReadInFull() {
        VaultData data = screenVault();
        const QString longName = QString(160, u'h') + u".example.org"_qs;
        data.hosts[2].hostname = longName.toStdString();
        data.hosts[2].proxyJump = std::string(160, 'j');
        ScreenHarness h(data);
        h.state().setSelectedId("USER-backup");
        for (const char* name : {"hostHostnameLabel", "commandText"}) {
            auto* label = h.find<ElidedLabel>(QString::fromLatin1(name));
            QTRY_VERIFY2(label->isElided(), name);
            QVERIFY2(label->text().endsWith(u'\u2026'), name);
            QVERIFY2(label->toolTip() == label->fullText(), name);
            QVERIFY2(label->fullText().contains(longName), name);
        }
        QStringList heard;
        for (auto* value : h.find(u"hostCards"_qs)->findChildren<ElidedLabel*>(u"cardValue"_qs)) {
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(value);
            heard << reader->text(QAccessible::Name) + u": "_qs + reader->text(QAccessible::Value);
        }
        QCOMPARE(heard,
                 (QStringList{u"HOSTNAME: "_qs + longName, u"USER: root"_qs, u"PORT: 22"_qs,
                              u"IDENTITY KEY: None"_qs, u"PROXYJUMP: "_qs + QString(160, u'j')}));
        QAccessibleInterface* command =
            QAccessible::queryAccessibleInterface(h.find(u"commandText"_qs));
        QCOMPARE(command->text(QAccessible::Name), u"Connection command"_qs);
        QVERIFY(command->text(QAccessible::Value).endsWith(u"root@"_qs + longName));

        // The list's row shows both lines whole in its tooltip.
        auto* list = h.find<QListView>(u"hostList"_qs);
        const QPoint row = list->visualRect(list->model()->index(2, 0)).center();
        QHelpEvent help(QEvent::ToolTip, row, list->viewport()->mapToGlobal(row));
        QApplication::sendEvent(list->viewport(), &help);
        QCOMPARE(QToolTip::text(), u"Zürich-Backup\nroot@"_qs + longName);
    }

    void everyControlHasANameForAssistiveTechnology() {
        ScreenHarness h;
        for (const char* name : {"hostsSearchField", "addHostButton", "hostList", "defaultsButton",
                                 "editHostButton", "deleteHostButton", "copyCommandButton"})
            QVERIFY2(!h.find(QString::fromLatin1(name))->accessibleName().isEmpty(), name);
    }
};

MOORKEEP_APP_TEST_MAIN(HostsScreenTest)

#include "hosts_screen_test.moc"
