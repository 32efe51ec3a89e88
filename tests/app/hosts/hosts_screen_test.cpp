#include "application/app_settings.h"
#include "hosts/host_detail_view.h"
#include "hosts/host_dialog.h"
#include "style/elided_label.h"
#include "support/app_test.h"

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
    QStringList listed() const { return rows(find<QListView>(u"hostList"_qs)->model()); }
    QString text(const QString& label) const { return find<QLabel>(label)->text(); }
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

// The Hosts screen: its list and search, the detail pane, deleting, the keyboard.
class HostsScreenTest : public QObject {
    Q_OBJECT

private slots:
    // Every window starts on empty settings.
    void init() { AppSettings::open()->clear(); }

    // Letters beyond ASCII match whatever their case, and the texts of all
    // hosts are searched even right after they appear. A search that hides
    // the selected host selects the first one shown, or none, and the footer
    // says how many of all hosts are shown.
    void searchFiltersAndSelectsOnlyWhatIsShown_data() {
        QTest::addColumn<QString>("typedFirst");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("count");
        const QStringList all = strings({"prod-db", "web", "Zürich-Backup"});
        QTest::newRow("empty") << ""
                               << "" << all << "prod-db"
                               << "3 hosts";
        QTest::newRow("capitals") << ""
                                  << "PROD" << strings({"prod-db"}) << "prod-db"
                                  << "1 of 3 hosts";
        QTest::newRow("user") << ""
                              << "deploy" << strings({"prod-db", "web"}) << "prod-db"
                              << "2 of 3 hosts";
        QTest::newRow("host name") << ""
                                   << "example.org" << strings({"web", "Zürich-Backup"}) << "web"
                                   << "2 of 3 hosts";
        QTest::newRow("port") << ""
                              << "2222" << strings({}) << ""
                              << "0 of 3 hosts";
        QTest::newRow("trailing space narrows") << ""
                                                << "web " << strings({}) << ""
                                                << "0 of 3 hosts";
        QTest::newRow("capitals beyond ASCII")
            << ""
            << "ZÜRICH-b" << strings({"Zürich-Backup"}) << "Zürich-Backup"
            << "1 of 3 hosts";
        QTest::newRow("no folding of accents") << ""
                                               << "uri" << strings({}) << ""
                                               << "0 of 3 hosts";
        // Typed on from an earlier search, or back from a longer one.
        QTest::newRow("extended inside")
            << "xampl"
            << "example.org" << strings({"web", "Zürich-Backup"}) << "web"
            << "2 of 3 hosts";
        QTest::newRow("narrower, then wider") << "prod"
                                              << "e" << all << "prod-db"
                                              << "3 hosts";
        QTest::newRow("another word") << "web"
                                      << "deploy" << strings({"prod-db", "web"}) << "web"
                                      << "2 of 3 hosts";
    }

    void searchFiltersAndSelectsOnlyWhatIsShown() {
        QFETCH(QString, typedFirst);
        QFETCH(QString, search);
        QFETCH(QStringList, listed);
        QFETCH(QString, selected);
        QFETCH(QString, count);
        ScreenHarness h;
        QAbstractItemModelTester tester(h.find<QListView>(u"hostList"_qs)->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("cfg-web"));

        h.find<QLineEdit>(u"hostsSearchField"_qs)->setText(typedFirst);
        h.find<QLineEdit>(u"hostsSearchField"_qs)->setText(search);

        QCOMPARE(h.state().search(), search);
        QCOMPARE(h.listed(), listed);
        QCOMPARE(h.text(u"hostCountLabel"_qs), count);
        for (const char* action : {"editHostAction", "deleteHostAction", "copyCommandAction"})
            QCOMPARE(h.find<QAction>(QString::fromLatin1(action))->isEnabled(),
                     !selected.isEmpty());
        if (selected.isEmpty()) {
            QVERIFY(!h.state().selectedId());
            QTRY_VERIFY(h.find(u"emptyHostsState"_qs));
            return;
        }
        QTRY_COMPARE(h.text(u"hostAliasLabel"_qs), selected);
        // Delete asks about the host shown, never one the search hid.
        h.find<QAction>(u"deleteHostAction"_qs)->trigger();
        QTRY_COMPARE(h.deleteAlert() ? h.deleteAlert()->text() : QString(),
                     u"Delete \"%1\"?"_qs.arg(selected));
    }

    // Four cards, or five with a jump host; no key reads None, and a host
    // without a key of its own shows the default identity OpenSSH offers
    // first; options sorted by code point; no options, no heading. Lines
    // OpenSSH ignores and other blocks that apply are named. Values too long
    // for the pane are shortened with "…", whole in the tooltip and for
    // screen readers, which hear every value under its caption.
    void detailShowsTheCardsWhatOpenSSHIgnoresAndLongValuesInFull() {
        VaultData data = screenVault();
        const std::string config = QDir::homePath().toStdString() + "/.ssh/config";
        data.hosts[0].user = "admin";
        data.hosts[0].facts.shadowed = {
            {"user", "bob", {config, 5}, "admin", {config, 2}, "Host *"}};
        data.hosts[0].facts.alsoApplies = {{"Host *", {config, 1}}};
        data.hosts[0].facts.unresolved = {{"Match exec \"true\"", {config, 7}}};
        const QString longName = QString(160, u'h') + u".example.org"_qs;
        data.hosts[2].hostname = longName.toStdString();
        data.hosts[2].proxyJump = std::string(160, 'j');
        data.hosts[1].keyId.reset();
        data.hosts[1].facts.keyIds = {"key-id_work", "key-id_ed25519"};
        data.hosts[1].facts.keysByDefault = true;
        ScreenHarness h(data);
        auto* cards = h.find(u"hostCards"_qs);
        QCOMPARE(texts(cards, u"cardValue"_qs), (strings({"10.0.0.5", "admin", "22", "Laptop"})));
        QVERIFY(h.find(u"sshConfigBadge"_qs));
        QCOMPARE(cards->findChild<QLabel*>(u"cardBadge"_qs)->text(), u"ed25519"_qs);
        QVERIFY(!h.find(u"extraOptionsCard"_qs));
        QCOMPARE(cards->findChildren<QLabel*>(u"shadowBadge"_qs).size(), 1);
        QCOMPARE(cards->findChild<QLabel*>(u"shadowNote"_qs)->text(),
                 u"OpenSSH uses admin from ~/.ssh/config line 2, not bob from line 5."_qs);
        QCOMPARE(texts(h.find(u"alsoAppliesCard"_qs), u"alsoAppliesBlock"_qs),
                 (strings({"Host *", "Match exec \"true\""})));

        h.state().setSelectedId("cfg-db");
        cards = h.find(u"hostCards"_qs);
        QCOMPARE(texts(cards, u"cardValue"_qs),
                 (strings({"db.example.org", "deploy", "2222", "Work", "bastion"})));
        QCOMPARE(cards->findChild<QLabel*>(u"cardBadge"_qs)->text(),
                 u"ed25519 · default, first of 2"_qs);
        QCOMPARE(
            texts(h.find(u"extraOptionsCard"_qs), u"extraOptionName"_qs),
            (strings({"AddKeysToAgent", "Compression", "ServerAliveInterval", "forwardAgent"})));
        QVERIFY(cards->findChildren<QLabel*>(u"shadowBadge"_qs).isEmpty());
        QVERIFY(!h.find(u"alsoAppliesCard"_qs));

        h.state().setSelectedId("USER-backup");
        QVERIFY(!h.find(u"sshConfigBadge"_qs));
        for (const char* name : {"hostHostnameLabel", "commandText"}) {
            auto* label = h.find<ElidedLabel>(QString::fromLatin1(name));
            QTRY_VERIFY2(label->isElided(), name);
            QVERIFY2(label->text().endsWith(u'\u2026'), name);
            QVERIFY2(label->toolTip() == label->fullText(), name);
        }
        QCOMPARE(h.find<ElidedLabel>(u"hostHostnameLabel"_qs)->fullText(), longName);
        QCOMPARE(h.find<ElidedLabel>(u"commandText"_qs)->fullText(), u"ssh root@"_qs + longName);
        QStringList heard;
        for (auto* value : h.find(u"hostCards"_qs)->findChildren<ElidedLabel*>(u"cardValue"_qs)) {
            QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(value);
            QAccessibleTextInterface* text = reader->textInterface();
            QVERIFY(text);
            QCOMPARE(text->text(0, text->characterCount()), reader->text(QAccessible::Value));
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

    // Cancelling deletes nothing; deleting another host keeps the selection,
    // deleting the selected one leaves none. The alert says what goes; the
    // footer counts down to "0 hosts" and the empty state.
    void deletingAsksFirst() {
        ScreenHarness h;
        const auto hosts = h.model->hosts();
        h.state().setToDelete(hosts[2]);
        QCOMPARE(h.deleteAlert()->text(), u"Delete \"Zürich-Backup\"?"_qs);
        QCOMPARE(h.deleteAlert()->informativeText(),
                 u"This will permanently remove this host. This action cannot be undone."_qs);
        h.deleteAlert()->findChild<QPushButton*>(u"cancelDeleteButton"_qs)->click();
        QCOMPARE(h.state().toDelete(), std::nullopt);
        QTRY_VERIFY(!h.deleteAlert());
        QCOMPARE(h.model->hosts().size(), 3u);

        h.state().setToDelete(hosts[2]);
        h.deleteAlert()->findChild<QPushButton*>(u"confirmDeleteButton"_qs)->click();
        QCOMPARE(h.state().toDelete(), std::nullopt);
        QTRY_COMPARE(h.model->hosts().size(), 2u);
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("cfg-web"));

        h.state().setToDelete(hosts[0]);
        QCOMPARE(h.deleteAlert()->informativeText(),
                 u"This will remove the host block from your SSH config file. You can undo it "
                 u"with Edit \u2192 Undo (Ctrl+Z)."_qs);
        h.deleteAlert()->findChild<QPushButton*>(u"confirmDeleteButton"_qs)->click();
        QTRY_COMPARE(h.model->hosts().size(), 1u);
        QTRY_COMPARE(h.state().selectedId(), std::nullopt);
        QTRY_COMPARE(h.text(u"emptyHostsTitle"_qs), u"Select a host"_qs);
        QCOMPARE(h.text(u"hostCountLabel"_qs), u"1 host"_qs);

        h.state().setToDelete(hosts[1]);
        h.deleteAlert()->findChild<QPushButton*>(u"confirmDeleteButton"_qs)->click();
        QTRY_COMPARE(h.text(u"hostCountLabel"_qs), u"0 hosts"_qs);
        QTRY_COMPARE(h.text(u"emptyHostsTitle"_qs), u"No hosts yet"_qs);
    }

    // The search field has the keys from the start; a search that hides
    // every host says so in the list's place, and Escape ends it. Every
    // control has a name for assistive technology.
    void keyboardAloneFromTheSearchField() {
        ScreenHarness h;
        for (const char* name : {"hostsSearchField", "addHostButton", "hostList", "defaultsButton",
                                 "editHostButton", "deleteHostButton", "copyCommandButton"})
            QVERIFY2(!h.find(QString::fromLatin1(name))->accessibleName().isEmpty(), name);
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
        // The search hid every host, so none is selected until one is chosen;
        // Delete in the empty field is then for the selected host.
        QVERIFY(!h.state().selectedId());
        QTest::keyClick(search, Qt::Key_Down);
        QTest::keyClick(search, Qt::Key_Delete);
        QTRY_COMPARE(h.deleteAlert() ? h.deleteAlert()->text() : QString(),
                     u"Delete \"prod-db\"?"_qs);
        h.press(QKeyCombination(Qt::Key_Escape));
        QTRY_VERIFY(!h.deleteAlert());

        h.find<QListView>(u"hostList"_qs)->setFocus();
        h.press(Qt::CTRL | Qt::Key_F);
        QVERIFY(search->hasFocus());
        h.press(QKeyCombination(Qt::Key_Down));
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("cfg-db"));
        h.press(QKeyCombination(Qt::Key_Down));
        h.press(QKeyCombination(Qt::Key_Down));
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("USER-backup"));
        h.press(QKeyCombination(Qt::Key_Up));
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("cfg-db"));

        // The command's copy button is the keys screen's, whose timing is
        // checked there.
        h.press(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"ssh web"_qs);
        auto* copyButton = h.find<QToolButton>(u"copyCommandButton"_qs);
        QCOMPARE(copyButton->text(), u"Copied"_qs);
        QCOMPARE(copyButton->accessibleName(), u"Copied"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(copyButton->accessibleName(), u"Copy connection command"_qs,
                                  5000);

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

        h.press(Qt::CTRL | Qt::Key_2);
        QCOMPARE(h.model->tab(), AppTab::keys);
        h.press(Qt::CTRL | Qt::Key_1);
        QCOMPARE(h.model->tab(), AppTab::hosts);

        // Ctrl+D makes a new host of the selected one's values; saving adds
        // it and selects it.
        h.state().setSelectedId("cfg-web");
        search->setFocus();
        h.press(Qt::CTRL | Qt::Key_D);
        QTRY_VERIFY(h.hostDialog() && h.hostDialog()->isVisible());
        QVERIFY(!h.hostDialog()->existing());
        QCOMPARE(h.hostDialog()->findChild<QLineEdit*>(u"aliasField"_qs)->text(),
                 u"prod-db-copy"_qs);
        QCOMPARE(h.hostDialog()->findChild<QLineEdit*>(u"hostnameField"_qs)->text(),
                 u"10.0.0.5"_qs);
        h.hostDialog()->findChild<QPushButton*>(u"saveButton"_qs)->click();
        QTRY_COMPARE(h.model->hosts().size(), 4u);
        const auto hosts = h.model->hosts();
        const auto copy = std::ranges::find(hosts, "prod-db-copy", &SSHHost::alias);
        QVERIFY(copy != hosts.end());
        QCOMPARE(copy->source, HostSource::user);
        QCOMPARE(copy->keyId, std::optional<std::string>("key-id_ed25519"));
        QTRY_COMPARE(h.state().selectedId(), std::optional(copy->id));
    }
};

MOORKEEP_APP_TEST(HostsScreenTest);

#include "hosts_screen_test.moc"
