#include "application/app_settings.h"
#include "hosts/defaults_dialog.h"
#include "hosts/host_detail_view.h"
#include "hosts/host_dialog.h"
#include "hosts/hosts_sidebar.h"
#include "hosts/key_picker.h"
#include "metadata/user_meta_store.h"
#include "screen/sidebar_list_model.h"
#include "stores/system_vault_store.h"
#include "style/elided_label.h"
#include "support/app_test.h"
#include "window/app_kit_split_view.h"
#include "window/loading_spinner.h"

using namespace moorkeep;
using namespace moorkeep::test;
using Op = FakeVaultStore::Op;

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

// ~/.ssh/config includes a folder of one file first, and one host is kept in
// the metadata file.
void writeHome() {
    const std::string home = qEnvironmentVariable("HOME").toStdString();
    writeFile(home + "/.ssh/config", "Include config.d/*\n"
                                     "Host web\n  HostName web.example.org\n"
                                     "Host db\n  HostName db.example.org\n");
    writeFile(home + "/.ssh/config.d/work", "Host build\n  HostName build.example.org\n"
                                            "Host ci\n  HostName ci.example.org\n");
    UserMeta meta;
    SSHHost kept = configHost("kept");
    kept.id = "KEPT";
    kept.source = HostSource::user;
    meta.hosts = {kept};
    UserMetaStore(UserMetaStore::defaultPath(home)).save(meta);
}

// The list's rows as they read: a group's row as its title, its count and
// "folded" when it is.
QStringList rows(const StoreWindow& w) {
    QStringList shown;
    const QAbstractItemModel* model = w.find<QListView>(u"hostList"_qs)->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (index.flags() & Qt::ItemIsSelectable) {
            shown << index.data().toString();
            continue;
        }
        shown << index.data().toString() + u' ' +
                     QString::number(index.data(SidebarListModel::EntryCountRole).toInt()) +
                     (index.data(SidebarListModel::CollapsedRole).toBool() ? u" folded"_qs
                                                                           : QString());
    }
    return shown;
}

// A dialog over the sample vault's hosts and keys that records its callbacks.
struct DialogHarness {
    explicit DialogHarness(std::optional<SSHHost> existing) {
        dialog = std::make_unique<HostDialog>(
            std::move(existing), sampleVault().hosts, sampleVault().keys,
            [this](SSHHost host) { saved.push_back(std::move(host)); }, [this] { ++cancelled; });
        dialog->show();
        // Fields only lose the focus in the active window.
        QApplication::setActiveWindow(dialog.get());
        if (!QTest::qWaitForWindowActive(dialog.get()))
            qFatal("the dialog did not become active");
    }

    QLineEdit* field(const char* name) const {
        return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name) const {
        return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    bool shows(const char* line) const {
        return dialog->findChild<QLabel*>(QString::fromLatin1(line))->isVisibleTo(dialog.get());
    }
    // Moves the focus from the field to another, as Tab would.
    void leave(const char* name) const {
        field(name)->setFocus(Qt::TabFocusReason);
        field(qstrcmp(name, "userField") == 0 ? "aliasField" : "userField")
            ->setFocus(Qt::TabFocusReason);
    }
    QStringList shownProblems() const {
        QStringList shown;
        for (const char* line : {"duplicateAliasLine", "aliasProblemLine", "portProblemLine"})
            if (shows(line))
                shown << QString::fromLatin1(line);
        return shown;
    }

    std::unique_ptr<HostDialog> dialog;
    std::vector<SSHHost> saved;
    int cancelled = 0;
};

// A defaults dialog over the sample vault's keys that records its callbacks.
struct DefaultsHarness {
    explicit DefaultsHarness(Defaults initial) {
        dialog = std::make_unique<DefaultsDialog>(
            std::move(initial), sampleVault().keys,
            [this](Defaults defaults) { saved.push_back(std::move(defaults)); },
            [this] { ++cancelled; });
        dialog->show();
    }

    template <typename T = QLineEdit> T* find(const char* name) const {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QList<QLineEdit*> all(const char* name) const {
        return dialog->findChildren<QLineEdit*>(QString::fromLatin1(name));
    }
    Defaults save() {
        QTest::keyClick(find("userField"), Qt::Key_Return);
        if (saved.empty())
            qFatal("nothing saved");
        return saved.back();
    }

    std::unique_ptr<DefaultsDialog> dialog;
    std::vector<Defaults> saved;
    int cancelled = 0;
};

Defaults withOptions(OptionMap options) {
    Defaults defaults;
    defaults.extraOptions = std::move(options);
    defaults.sourceFile = "/home/me/.ssh/config";
    return defaults;
}

SSHHost sampleHost(const std::string& id) {
    for (const auto& host : sampleVault().hosts)
        if (host.id == id)
            return host;
    qFatal("no such sample host");
}

// The field typed into (its name without "Field") and the rule line that
// shows (without "Line"; empty when saving is allowed).
struct Row {
    const char* editedId; // empty when adding
    const char* field;
    const char* text;
    const char* problem = "";
    qint64 port = 22;
    std::optional<std::string> proxyJump{};
};

} // namespace

Q_DECLARE_METATYPE(Row)

// The main window, its Hosts screen and the dialogs of the Hosts tab.
class HostsScreenTest : public QObject {
    Q_OBJECT

private slots:
    // Every window starts on empty settings.
    void init() { AppSettings::open()->clear(); }

    // Letters beyond ASCII match whatever their case, and the texts of all
    // hosts are searched even right after they appear. The footer counts
    // every host whatever the search.
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
        QTest::newRow("no folding of accents") << "uri" << strings({});
    }

    void searchFiltersWithoutMovingTheSelection() {
        QFETCH(QString, search);
        QFETCH(QStringList, listed);
        ScreenHarness h;
        QAbstractItemModelTester tester(h.find<QListView>(u"hostList"_qs)->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("cfg-web"));

        h.find<QLineEdit>(u"hostsSearchField"_qs)->setText(search);

        QCOMPARE(h.state().search(), search);
        QCOMPARE(h.listed(), listed);
        // The selected host stays shown even when the search hides it.
        QCOMPARE(h.text(u"hostAliasLabel"_qs), u"prod-db"_qs);
        QCOMPARE(h.text(u"hostCountLabel"_qs), u"3 hosts"_qs);
    }

    // Four cards, or five with a jump host; a key that is not there reads
    // None; options sorted by code point; no options, no heading. Lines
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
                 (strings({"db.example.org", "deploy", "2222", "None", "bastion"})));
        QVERIFY(!cards->findChild<QLabel*>(u"cardBadge"_qs));
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
                 u"This will remove the host block from your SSH config file. This action cannot "
                 u"be undone."_qs);
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
        // Delete in the empty field is for the selected host.
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
        const auto copy = std::find_if(hosts.begin(), hosts.end(), [](const SSHHost& host) {
            return host.alias == "prod-db-copy";
        });
        QVERIFY(copy != hosts.end());
        QCOMPARE(copy->source, HostSource::user);
        QCOMPARE(copy->keyId, std::optional<std::string>("key-id_ed25519"));
        QTRY_COMPARE(h.state().selectedId(), std::optional(copy->id));
    }

    // Ctrl+Shift+G groups the list under each file, ~/.ssh/config first,
    // the stored host last; the search narrows the groups and their counts.
    void groupsFollowTheFilesAndTheSearch() {
        writeHome();
        StoreWindow w(std::make_shared<SystemVaultStore>());
        QVERIFY(QTest::qWaitForWindowActive(&w.view));
        QAbstractItemModelTester tester(w.find<QListView>(u"hostList"_qs)->model());
        const QStringList flat = strings({"build", "ci", "web", "db", "kept"});
        QCOMPARE(rows(w), flat);

        QTest::keyClick(&w.view, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rows(w), strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 2",
                                   "build", "ci", "Stored in Moorkeep 1", "kept"}));
        QVERIFY(w.view.findChild<QAction*>(u"groupByFileAction"_qs)->isChecked());

        w.view.hostsState().setSearch(u"ci"_qs);
        QCOMPARE(rows(w), strings({"~/.ssh/config.d/work 1", "ci"}));
        w.view.hostsState().setSearch(u"b"_qs);
        QCOMPARE(rows(w),
                 strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 1", "build"}));

        w.view.hostsState().setSearch({});
        QTest::keyClick(&w.view, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rows(w), flat);
    }

    // In the list, Left folds the selected host's group, Space and Enter on
    // a group's row turn it over, Right unfolds it, a click too; arrows pass
    // to the next host, which the detail then shows. A new window keeps the
    // grouping and the folded group.
    void keysAndClicksFoldGroupsAndANewWindowRemembers() {
        writeHome();
        {
            StoreWindow w(std::make_shared<SystemVaultStore>());
            QVERIFY(QTest::qWaitForWindowActive(&w.view));
            w.view.hostsState().grouping().setOn(true);
            w.view.hostsState().setSelectedId(w.host("build")->id);
            QListView* list = w.find<QListView>(u"hostList"_qs);
            list->setFocus(Qt::OtherFocusReason);
            QTRY_VERIFY(list->hasFocus());

            QTest::keyClick(list, Qt::Key_Left);
            QCOMPARE(rows(w),
                     strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 2 folded",
                              "Stored in Moorkeep 1", "kept"}));
            QCOMPARE(list->currentIndex().row(), 3);
            QTest::keyClick(list, Qt::Key_Space);
            QCOMPARE(rows(w).at(3), u"~/.ssh/config.d/work 2"_qs);
            QTest::keyClick(list, Qt::Key_Return);
            QCOMPARE(rows(w).at(3), u"~/.ssh/config.d/work 2 folded"_qs);
            QTest::keyClick(list, Qt::Key_Right);
            QCOMPARE(rows(w).at(4), u"build"_qs);
            QCOMPARE(w.view.hostsState().selectedId(), w.host("build")->id);

            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(0, 0)).center());
            QCOMPARE(rows(w).at(0), u"~/.ssh/config 2 folded"_qs);
            QCOMPARE(rows(w).at(1), u"~/.ssh/config.d/work 2"_qs);

            list->setCurrentIndex(list->model()->index(2, 0));
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(w.view.hostsState().selectedId(), w.host("ci")->id);
            QTRY_VERIFY(w.find<HostDetailView>(u"hostDetailView"_qs) &&
                        w.find<HostDetailView>(u"hostDetailView"_qs)->host().alias == "ci");
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(w.view.hostsState().selectedId(), std::optional<std::string>("KEPT"));
        }
        StoreWindow again(std::make_shared<SystemVaultStore>());
        QCOMPARE(rows(again), strings({"~/.ssh/config 2 folded", "~/.ssh/config.d/work 2", "build",
                                       "ci", "Stored in Moorkeep 1", "kept"}));
    }

    // The spinner shows until the first load is in; a failed load shows the
    // alert until OK is pressed, and the next load shows the screens.
    void spinnerThenFailureAlertThenTheScreens() {
        WindowHarness h;
        h.store->hold(Op::loadData);
        h.store->fail(Op::loadData, "Permission denied: ~/.ssh");
        h.view->show();
        QTRY_VERIFY(h.store->isHeld(Op::loadData));
        auto* spinner = h.find<LoadingSpinner>(u"loadingIndicator"_qs);
        QVERIFY(spinner && spinner->isVisible() && spinner->isSpinning());
        QVERIFY(!h.find(u"splitView"_qs)->isVisible());
        QVERIFY(h.find(u"toggleSidebarButton"_qs)->isVisible());

        h.store->release(Op::loadData);
        QTRY_VERIFY(h.find<QMessageBox>(u"errorAlert"_qs));
        auto* alert = h.find<QMessageBox>(u"errorAlert"_qs);
        QVERIFY(alert->isVisible());
        QCOMPARE(alert->text(), u"Permission denied: ~/.ssh"_qs);
        QCOMPARE(alert->buttons().size(), 1);
        QCOMPARE(alert->buttons().at(0)->text().remove(u'&'), u"OK"_qs);
        QVERIFY(!spinner->isVisible());
        QVERIFY(!spinner->isSpinning());
        alert->buttons().at(0)->click();
        QVERIFY(!h.model->errorMessage());
        QTRY_VERIFY(!h.find<QMessageBox>(u"errorAlert"_qs));

        h.store->succeed(Op::loadData);
        h.model->load();
        QTRY_VERIFY(h.find(u"splitView"_qs)->isVisible());
        QVERIFY(h.find(u"hostsSidebar"_qs)->isVisible());
        QVERIFY(!spinner->isVisible());
    }

    // What was done shows for a moment in the status line. Files the load
    // could not use are named there too, without stopping the user, under
    // such a moment; the line goes once they load again. Each screen keeps
    // its search and selection across tab switches; the sidebar toggle
    // collapses and expands with frames in between.
    void noticesWarningsTabSwitchesAndTheSidebarToggle() {
        WindowHarness h;
        QSignalSpy changed(h.model.get(), &AppModel::loadWarningsChanged);
        h.showLoaded();
        auto* bar = h.find<QStatusBar>(u"loadWarningBar"_qs);
        QVERIFY(!bar->isVisible());
        h.model->notify(u"Saved \u201cweb\u201d"_qs);
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->currentMessage(), u"Saved \u201cweb\u201d"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), ContentView::noticeMilliseconds + 2000);

        VaultData data = sampleVault();
        data.warnings = {"/home/u/.ssh/latin1 is not UTF-8 text and was not read."};
        h.store->setData(data);
        h.model->load();
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(h.model->loadWarnings(),
                 QStringList{u"/home/u/.ssh/latin1 is not UTF-8 text and was not read."_qs});
        QCOMPARE(changed.count(), 1);
        auto* notice = h.find<QLabel>(u"loadWarningNotice"_qs);
        QVERIFY(notice->isVisible());
        QVERIFY(notice->text().contains(u"latin1"_qs));
        QVERIFY(!h.find<QMessageBox>(u"errorAlert"_qs));
        QVERIFY(h.find(u"hostsSidebar"_qs)->isVisible());
        h.model->notify(u"Copied"_qs);
        QCOMPARE(bar->currentMessage(), u"Copied"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(bar->currentMessage().isEmpty(),
                                 ContentView::noticeMilliseconds + 2000);
        QVERIFY(bar->isVisible());
        QVERIFY(notice->isVisible());

        h.store->setData(sampleVault());
        h.model->load();
        QTRY_VERIFY(h.model->loadWarnings().isEmpty());
        QVERIFY(!notice->isVisible());

        // What the store tells of a change shows there too, once the change's
        // own line is gone, until the next change ends.
        h.store->tell("~/.ssh/config was written unchecked: ssh was not found.");
        auto* told = h.find<QLabel>(u"changeNotice"_qs);
        QFuture<void> save = h.model->saveHost(h.model->hosts()[0]);
        QTRY_VERIFY(save.isFinished());
        QCOMPARE(bar->currentMessage(), u"Saved \u201cweb\u201d"_qs);
        bar->clearMessage();
        QVERIFY(told->isVisible());
        QCOMPARE(told->text(), u"~/.ssh/config was written unchecked: ssh was not found."_qs);
        QVERIFY(!told->accessibleName().isEmpty());
        save = h.model->saveHost(h.model->hosts()[0]);
        QTRY_VERIFY(save.isFinished());
        bar->clearMessage();
        QVERIFY(!told->isVisible());
        QVERIFY(!bar->isVisible());

        h.view->hostsState().setSearch(u"web"_qs);
        h.view->hostsState().setSelectedId("cfg-db");
        h.find<QToolButton>(u"keysTabButton"_qs)->click();
        QCOMPARE(h.model->tab(), AppTab::keys);
        QTRY_VERIFY(h.find(u"keysSidebar"_qs) && h.find(u"keysSidebar"_qs)->isVisible());
        QVERIFY(!h.find(u"hostsSidebar"_qs));
        h.model->setTab(AppTab::hosts);
        auto* sidebar = h.find<HostsSidebar>(u"hostsSidebar"_qs);
        QVERIFY(h.find<QToolButton>(u"hostsTabButton"_qs)->isChecked());
        QCOMPARE(&sidebar->state(), &h.view->hostsState());
        QCOMPARE(sidebar->state().search(), u"web"_qs);
        QCOMPARE(sidebar->state().selectedId(), std::optional<std::string>("cfg-db"));

        auto* toggle = h.find<QToolButton>(u"toggleSidebarButton"_qs);
        auto* splitView = h.find<AppKitSplitView>(u"splitView"_qs);
        int expanded = splitView->sidebarWidth();
        QVERIFY(expanded >= AppKitSplitView::minimumSidebarWidth);
        QSignalSpy widths(splitView, &AppKitSplitView::sidebarWidthChanged);

        toggle->click();
        QVERIFY(h.view->isSidebarCollapsed());
        QTRY_COMPARE(splitView->sidebarWidth(), 0);
        QVERIFY(!splitView->sidebar()->isVisible());
        int between = widths.value(0).value(0).toInt();
        QVERIFY2(between > 0 && between < expanded, "no frame between expanded and collapsed");

        toggle->click();
        QVERIFY(!h.view->isSidebarCollapsed());
        QTRY_COMPARE(splitView->sidebarWidth(), expanded);
        QVERIFY(splitView->sidebar()->isVisible());
    }

    void dividerDragStaysWithinTheLimits_data() {
        QTest::addColumn<int>("viewWidth");
        QTest::addColumn<int>("dragTo");
        QTest::addColumn<int>("expectedWidth");
        QTest::newRow("within the limits") << 1000 << 300 << 300;
        QTest::newRow("beyond the maximum") << 1000 << 600 << 360;
        QTest::newRow("below the minimum") << 1000 << 150 << 240;
        QTest::newRow("detail keeps 480") << 800 << 360 << 800 - 1 - 480;
        QTest::newRow("far left collapses") << 1000 << 40 << 0;
    }

    void dividerDragStaysWithinTheLimits() {
        QFETCH(int, viewWidth);
        QFETCH(int, dragTo);
        QFETCH(int, expectedWidth);
        auto view = std::make_unique<AppKitSplitView>();
        view->setPanes(new QWidget, new QWidget);
        view->resize(viewWidth, 600);
        view->show();

        // Drags the divider to dragTo (in the split view's coordinates).
        auto* handle = view->findChild<QWidget*>(u"splitDivider"_qs);
        const QPoint grab(handle->width() / 2, handle->height() / 2);
        QTest::mousePress(handle, Qt::LeftButton, {}, grab);
        const QPoint target = handle->mapFromParent(QPoint(dragTo, grab.y()));
        QMouseEvent move(QEvent::MouseMove, target, handle->mapToGlobal(target), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, target);

        QCOMPARE(view->sidebarWidth(), expectedWidth);
        QCOMPARE(view->isSidebarCollapsed(), expectedWidth == 0);
        QCOMPARE(view->findChild<QWidget*>(u"detailPane"_qs)->x(),
                 expectedWidth == 0 ? 0 : expectedWidth + 1);
        if (expectedWidth > 0) { // expanding goes back to the dragged width
            view->setSidebarCollapsed(true);
            QTRY_COMPARE(view->sidebarWidth(), 0);
            view->setSidebarCollapsed(false);
            QTRY_COMPARE(view->sidebarWidth(), expectedWidth);
        }
    }

    // What each field's text allows, and the record a save hands over.
    void validationAndTheSavedRecord_data() {
        QTest::addColumn<Row>("row");
        QTest::newRow("duplicate alias") << Row{"", "alias", "db", "duplicateAlias"};
        QTest::newRow("other case is no duplicate") << Row{"", "alias", "DB"};
        QTest::newRow("own alias when editing") << Row{"cfg-db", "alias", "db"};
        QTest::newRow("another's alias when editing")
            << Row{"cfg-db", "alias", "web", "duplicateAlias"};
        QTest::newRow("alias with a space") << Row{"", "alias", "a b", "aliasProblem"};
        QTest::newRow("empty port means 22") << Row{"", "port", ""};
        QTest::newRow("port 2222") << Row{"", "port", "2222", "", 2222};
        QTest::newRow("port with a space") << Row{"", "port", "2222 ", "portProblem"};
        QTest::newRow("port 0") << Row{"", "port", "0", "portProblem"};
        QTest::newRow("ProxyJump trimmed")
            << Row{"", "proxyJump", "  bastion\t", "", 22, "bastion"};
        QTest::newRow("ProxyJump of spaces") << Row{"", "proxyJump", "   "};
    }

    void validationAndTheSavedRecord() {
        QFETCH(Row, row);
        const bool adding = *row.editedId == 0;
        const QByteArray field = QByteArray(row.field) + "Field";
        const QString problem = QString::fromLatin1(row.problem);
        DialogHarness h(adding ? std::nullopt : std::optional(sampleHost(row.editedId)));
        if (adding) {
            type(h.field("aliasField"), u"new-host"_qs);
            type(h.field("hostnameField"), u"10.0.0.9"_qs);
        }
        type(h.field(field.constData()), QString::fromLatin1(row.text));
        // A new host's rule messages wait until the field is left.
        if (adding) {
            QCOMPARE(h.shownProblems(), QStringList());
            h.leave(field.constData());
        }

        QCOMPARE(h.dialog->canSave(), problem.isEmpty());
        QCOMPARE(h.button("saveButton")->isEnabled(), problem.isEmpty());
        QCOMPARE(h.shownProblems(),
                 problem.isEmpty() ? QStringList() : QStringList{problem + u"Line"_qs});

        // Return in ProxyJump saves exactly when saving is allowed.
        QTest::keyClick(h.field("proxyJumpField"), Qt::Key_Return);
        QCOMPARE(h.saved.size(), problem.isEmpty() ? 1u : 0u);
        if (!problem.isEmpty())
            return;
        const SSHHost& saved = h.saved.front();
        QCOMPARE(saved.port, row.port);
        QCOMPARE(saved.proxyJump, row.proxyJump);
        QCOMPARE(saved.source, adding ? HostSource::user : HostSource::config);
    }

    // Editing fills every field and the key; saving unchanged hands over the
    // host as it was, with the fields the dialog does not show. "None" saves
    // no key; an unknown key id is kept unless another is chosen.
    void fillingAndCarriedOverFieldsAndKeys() {
        SSHHost web = sampleHost("cfg-web");
        web.port = 2222;
        web.proxyJump = "bastion";
        web.extraOptions = {{"ForwardAgent", "yes"}};
        DialogHarness known(web);
        QCOMPARE(known.dialog->findChild<KeyPicker*>(u"keyPicker"_qs)->currentText(),
                 u"Laptop (ed25519)"_qs);
        known.button("saveButton")->click();
        QCOMPARE(known.saved.at(0), web);

        web.keyId = "key-gone";
        DialogHarness h(web);
        auto* picker = h.dialog->findChild<KeyPicker*>(u"keyPicker"_qs);
        QCOMPARE(picker->currentIndex(), -1);
        h.button("saveButton")->click();
        QCOMPARE(h.saved.at(0), web);

        QTest::keyClick(picker, Qt::Key_Home);
        QCOMPARE(picker->currentText(), u"None"_qs);
        h.button("saveButton")->click();
        QCOMPARE(h.saved.at(1).keyId, std::nullopt);
        QCOMPARE(h.saved.at(1).extraOptions, web.extraOptions);
        QCOMPARE(h.saved.at(1).id, web.id);
    }

    // A new host starts empty with nothing red; trying to save shows every
    // rule that stands in the way. Return moves along the fields, Escape
    // cancels.
    void addingStartsEmptyAndSavingShowsEveryRule() {
        DialogHarness h(std::nullopt);
        QCOMPARE(h.field("portField")->text(), u"22"_qs);
        QVERIFY(!h.button("saveButton")->isEnabled());
        QTRY_VERIFY(h.field("aliasField")->hasFocus());
        type(h.field("portField"), u"0"_qs);
        QCOMPARE(h.shownProblems(), QStringList());
        QTest::keyClick(h.field("proxyJumpField"), Qt::Key_Return);
        QCOMPARE(h.shownProblems(), (QStringList{u"aliasProblemLine"_qs, u"portProblemLine"_qs}));
        for (const char* next : {"hostnameField", "userField", "portField", "proxyJumpField"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY2(h.field(next)->hasFocus(), next);
        }
        QVERIFY(h.saved.empty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(h.cancelled, 1);
        // The owner closes the dialog, not the dialog itself.
        QVERIFY(h.dialog->isVisible());
    }

    // A host whose alias is already odd can be edited while the alias
    // stays; a change made elsewhere stops saving.
    void oddAliasCanBeKeptAndChangedOutsideStopsSaving() {
        SSHHost odd = sampleHost("cfg-web");
        odd.alias = "web db";
        DialogHarness h(odd);
        QVERIFY(h.dialog->canSave());
        type(h.field("aliasField"), u"web db2"_qs);
        QVERIFY(!h.dialog->canSave());
        QVERIFY(h.shows("aliasProblemLine"));
        type(h.field("aliasField"), u"web db"_qs);
        QVERIFY(h.dialog->canSave());
        // The line and the disabled button are checked where a host goes
        // while its dialog is open; Return must not get round them.
        h.dialog->markChangedOutside();
        QTest::keyClick(h.field("proxyJumpField"), Qt::Key_Return);
        QVERIFY(h.saved.empty());
    }

    void saysWhichHostsItOverrides() {
        std::vector<SSHHost> hosts = sampleVault().hosts;
        const ShadowedLine user{
            "user", "bob", {"/h/.ssh/config", 5}, "admin", {"/h/.ssh/config", 2}, "Host *"};
        ShadowedLine byOther = user;
        byOther.byBlock = "Host *.corp";
        hosts[0].facts.shadowed = {user};
        hosts[1].facts.shadowed = {user, byOther};
        const auto overrides = config::defaultsOverrides(hosts);
        QCOMPARE(overrides.size(), std::size_t(1));
        DefaultsDialog dialog(
            Defaults{}, {}, [](Defaults) {}, [] {}, nullptr, overrides);
        const QString text = dialog.findChild<QLabel*>(u"overridesLabel"_qs)->text();
        QVERIFY2(text.startsWith(QStringLiteral("User admin here overrides the User of 2 hosts: ") +
                                 QString::fromStdString(hosts[0].alias + ", " + hosts[1].alias)),
                 qPrintable(text));
        // Without options only the entry row shows, with nothing to add yet.
        DefaultsHarness plain(Defaults{});
        QVERIFY(!plain.find<QLabel>("overridesLabel"));
        QCOMPARE(plain.all("extraOptionName").size(), 0);
        QVERIFY(plain.find("newOptionName")->isVisible());
        QVERIFY(!plain.find<QPushButton>("addOptionButton")->isEnabled());
    }

    // Options show sorted by code point (capitals first). Names trimmed,
    // blank names dropped, the later of two equal names wins, values typed
    // into rows kept as typed, values entered through the entry row trimmed;
    // the other fields trimmed; sourceFile carried over.
    void optionsSortedAndSavingBuildsTheRecord() {
        DefaultsHarness h(withOptions({{"batchMode", "no"}, {"ConnectTimeout", "30"}}));
        auto names = h.all("extraOptionName");
        QCOMPARE(texts<QLineEdit>(h.dialog.get(), u"extraOptionName"_qs),
                 (QStringList{u"ConnectTimeout"_qs, u"batchMode"_qs}));
        auto values = h.all("extraOptionValue");
        type(values[0], u"45  "_qs); // ConnectTimeout, trailing spaces kept
        type(names[1], u"   "_qs);   // batchMode's name blanked: dropped
        type(h.find("newOptionName"), u" ConnectTimeout "_qs);
        type(h.find("newOptionValue"), u" 60 "_qs);
        h.find<QPushButton>("addOptionButton")->click();
        QCOMPARE(h.find("newOptionName")->text(), QString());
        type(h.find("newOptionName"), u"Compression"_qs);
        type(h.find("newOptionValue"), u"yes  "_qs);
        // Return in the entry row adds rather than saving without it.
        QTest::keyClick(h.find("newOptionValue"), Qt::Key_Return);
        QVERIFY(h.saved.empty());
        type(h.find("userField"), u" \tops\t "_qs);
        type(h.find("proxyJumpField"), u"   "_qs);

        Defaults saved = h.save();
        QCOMPARE(saved.user, "ops");
        QCOMPARE(saved.proxyJump, std::nullopt);
        QCOMPARE(saved.extraOptions, (OptionMap{{"ConnectTimeout", "60"}, {"Compression", "yes"}}));
        QCOMPARE(saved.sourceFile, std::optional<std::string>("/home/me/.ssh/config"));

        // Removing a row drops it.
        h.dialog->findChildren<QToolButton*>(u"removeOptionButton"_qs).at(0)->click();
        QTRY_COMPARE(h.all("extraOptionName").size(), 3);
        QCOMPARE(h.save().extraOptions,
                 (OptionMap{{"ConnectTimeout", "60"}, {"Compression", "yes"}}));
        h.dialog->findChildren<QToolButton*>(u"removeOptionButton"_qs).at(1)->click();
        QTRY_COMPARE(h.all("extraOptionName").size(), 2);
        QCOMPARE(h.save().extraOptions, (OptionMap{{"Compression", "yes"}}));
    }

    // "None" saves an empty key; a port must be a number, empty meaning 22.
    void portsAndKeys() {
        Defaults initial;
        initial.keyId = "key-id_work";
        DefaultsHarness h(initial);
        QCOMPARE(h.find<KeyPicker>("keyPicker")->currentText(), u"Work (ed25519)"_qs);
        QTest::keyClick(h.find<KeyPicker>("keyPicker"), Qt::Key_Home);
        const struct {
            QString port;
            std::optional<qint64> saved; // none when refused
        } cases[] = {{u""_qs, 22}, {u"2222"_qs, 2222}, {u"ssh"_qs, {}}, {u" 2222"_qs, {}}};
        for (const auto& c : cases) {
            const auto savedBefore = h.saved.size();
            type(h.find("portField"), c.port);
            const QByteArray row = c.port.toUtf8();
            QVERIFY2(h.find<QPushButton>("saveButton")->isEnabled() == bool(c.saved), row);
            QVERIFY2(h.find<QLabel>("portProblemLine")->isVisibleTo(h.dialog.get()) !=
                         bool(c.saved),
                     row);
            QTest::keyClick(h.find("portField"), Qt::Key_Return);
            QVERIFY2(h.saved.size() == savedBefore + (c.saved ? 1 : 0), row);
            if (c.saved) {
                QCOMPARE(h.saved.back().port, *c.saved);
                QCOMPARE(h.saved.back().keyId, "");
            }
        }
        QTest::keyClick(h.find("portField"), Qt::Key_Escape);
        QCOMPARE(h.cancelled, 1);
    }
};

MOORKEEP_APP_TEST_MAIN(HostsScreenTest)

#include "hosts_screen_test.moc"
