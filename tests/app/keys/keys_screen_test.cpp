#include "keys/agent_notice.h"
#include "keys/key_detail_view.h"
#include "keys/key_list_model.h"
#include "stores/demo_vault_store.h"
#include "style/badge_label.h"
#include "style/card_frame.h"
#include "style/copy_button.h"
#include "support/app_test.h"
#include "window/keys_menu.h"

#include <atomic>

namespace {

// Laptop (used by web and api), Work (unused), "My Key" (passphrase unknown,
// used by db).
VaultData keysVault() {
    VaultData data;
    data.keys = {sampleKey("id_ed25519", "Laptop"), sampleKey("id_work", "Work"),
                 sampleKey("my_key", "My Key")};
    data.keys[0].hasPassphrase = true;
    data.keys[1].type = "rsa";
    data.keys[2].type = "ECDSA";
    data.keys[2].hasPassphrase = std::nullopt;
    data.hosts = {configHost("web", "key-id_ed25519"), configHost("db", "key-my_key"),
                  configHost("api", "key-id_ed25519"), configHost("plain")};
    data.hosts[0].user = "deploy";
    return data;
}

// The window on the Keys tab, loaded.
struct KeysHarness : WindowHarness {
    explicit KeysHarness(VaultData data = keysVault())
        : WindowHarness(std::move(data), AppTab::keys) {
        showLoaded();
    }

    KeysState& state() const { return view->keysState(); }
    KeyDetailView* detail() const { return find<KeyDetailView>(u"keyDetailView"_qs); }
    QString caption(const QString& name) const { return find<QLabel>(name)->text(); }
    QMessageBox* deleteAlert() const { return find<QMessageBox>(u"deleteKeyAlert"_qs); }
};

// The demo data, whose agent holds "personal" and "github", and which
// starts without an agent until a test starts one.
class DemoWithAgent : public DemoVaultStore {
public:
    std::atomic<bool> running = false;

    AgentState agentKeys() override {
        if (!running)
            return {.problem = "No ssh-agent is running (SSH_AUTH_SOCK is not set)",
                    .fingerprints = {}};
        return DemoVaultStore::agentKeys();
    }
};

// Whether the list row of the key shows "In agent" (none while loading).
bool rowInAgent(const StoreWindow& w, const QString& name) {
    auto* view = w.find<QListView>(u"keyListView"_qs);
    const QModelIndexList rows =
        view ? view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, name, 1,
                                    Qt::MatchExactly)
             : QModelIndexList();
    return !rows.isEmpty() && rows.front().data(KeyListModel::InAgentRole).toBool();
}

QStringList shownNotices(const StoreWindow& w) {
    QStringList shown;
    for (auto* label : w.view.findChildren<QLabel*>())
        if (label->isVisible() && label->text().contains(u"ssh-agent"_qs))
            shown << label->text();
    return shown;
}

} // namespace

// The Keys screen: its list, the detail pane, deleting, copying, the agent.
class KeysScreenTest : public QObject {
    Q_OBJECT

private slots:
    // The first activation is the launch; later ones rescan the keys.
    void reactivationRescansKeysAfterTheFirstActivation() {
        WindowHarness h;
        auto store = h.store;

        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QTRY_COMPARE(store->calls(Op::rescanKeys).size(), 1u);

        // The model waits for its store calls when it goes: nothing else ran.
        h.view.reset();
        h.model.reset();
        QCOMPARE(store->calls(Op::rescanKeys).size(), 1u);
    }

    // Rows carry usage counts and locks; a host counts once for each key
    // OpenSSH offers it (its own, a later IdentityFile, a default identity).
    // The search matches names and types whatever their case, untrimmed.
    void rowsCarryUsageCountsAndLocksAndFollowTheSearch() {
        KeyListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto vault = keysVault();
        vault.hosts[0].facts.keyIds = {"key-id_ed25519", "key-my_key"};
        vault.hosts[3].facts.keyIds = {"key-id_work"};
        vault.hosts[3].facts.keysByDefault = true;
        model.setKeys(vault.keys);
        model.setHosts(vault.hosts);
        auto role = [&](int row, int which) { return model.index(row).data(which); };
        QCOMPARE(role(0, KeyListModel::UsageCountRole).toInt(), 2);
        QCOMPARE(role(1, KeyListModel::UsageCountRole).toInt(), 1);
        QCOMPARE(role(2, KeyListModel::UsageCountRole).toInt(), 2);
        QCOMPARE(role(0, KeyListModel::HasPassphraseRole), QVariant(true));
        QCOMPARE(role(1, KeyListModel::HasPassphraseRole), QVariant(false));
        QVERIFY(!role(2, KeyListModel::HasPassphraseRole).isValid());

        vault.hosts.pop_back();
        vault.hosts.pop_back(); // api and plain
        model.setHosts(vault.hosts);
        QCOMPARE(role(0, KeyListModel::UsageCountRole).toInt(), 1);

        const std::pair<QString, QStringList> searches[] = {
            {u""_qs, {u"Laptop"_qs, u"Work"_qs, u"My Key"_qs}},
            {u"LAP"_qs, {u"Laptop"_qs}},
            {u"rsa"_qs, {u"Work"_qs}},
            {u"ecdsa"_qs, {u"My Key"_qs}},
            {u" "_qs, {u"My Key"_qs}},
            {u"work "_qs, {}}};
        for (const auto& [search, shown] : searches) {
            model.setSearch(search);
            QVERIFY2(rows(&model) == shown, qPrintable(search));
        }
    }

    // The first key is selected; the footer says how many of all keys the
    // search shows, and a search that hides the selected key selects the one
    // shown. A key that hosts use cannot be deleted and lists them; an
    // unused one asks first and then leaves nothing selected. "No keys
    // found", with a rescan, only where there are none.
    void selectionDeletionAndEmptyPanes() {
        KeysHarness h;
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("key-id_ed25519"));
        auto* list = h.find<QListView>(u"keyListView"_qs);
        QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(h.caption(u"keyCountLabel"_qs), u"3 keys"_qs);
        list->setFocus();
        h.action(u"keysSearchAction"_qs)->trigger();
        QTRY_VERIFY(h.find(u"keysSearchField"_qs)->hasFocus());
        QTest::keyClicks(h.find<QLineEdit>(u"keysSearchField"_qs), u"work"_qs);
        QCOMPARE(h.state().search(), u"work"_qs);
        QCOMPARE(list->model()->rowCount(), 1);
        QCOMPARE(h.caption(u"keyCountLabel"_qs), u"1 of 3 keys"_qs);
        // The search hid the selected key: the one it shows is selected.
        QCOMPARE(h.state().selectedId(), std::optional<std::string>("key-id_work"));
        QTRY_COMPARE(h.caption(u"keyNameLabel"_qs), u"Work"_qs);
        h.state().setSearch({});
        h.state().setSelectedId("key-id_ed25519");
        QTRY_COMPARE(h.caption(u"keyNameLabel"_qs), u"Laptop"_qs);

        QVERIFY(!h.detail()->deleteButton()->isEnabled());
        QCOMPARE(h.detail()->deleteButton()->toolTip(), u"Remove key from all hosts first"_qs);
        QCOMPARE(h.caption(u"usedByCaption"_qs), u"USED BY 2 HOSTS"_qs);
        auto* table = h.find<QTableView>(u"usedByTableView"_qs);
        QCOMPARE(rows(table->model()), (QStringList{u"web"_qs, u"api"_qs}));
        QCOMPARE(table->model()->index(0, 1).data().toString(), u"web.example.org"_qs);
        QCOMPARE(table->model()->index(0, 2).data().toString(), u"deploy"_qs);
        QCOMPARE(h.find(u"passphraseButton"_qs)->accessibleName(), u"Change passphrase"_qs);
        // Delete from the keyboard asks, then leaves the rule to the store,
        // whose refusal is shown, and the key stays.
        h.store->fail(Op::deleteKeyMeta, "Remove key from all hosts first: Laptop is used by web");
        h.action(u"deleteKeyAction"_qs)->trigger();
        QTRY_VERIFY(h.deleteAlert());
        h.deleteAlert()->findChild<QPushButton*>(u"alertDeleteButton"_qs)->click();
        QTRY_VERIFY(h.find<QMessageBox>(u"errorAlert"_qs));
        QCOMPARE(h.find<QMessageBox>(u"errorAlert"_qs)->text(),
                 u"Remove key from all hosts first: Laptop is used by web"_qs);
        h.find<QMessageBox>(u"errorAlert"_qs)->buttons().at(0)->click();
        QTRY_VERIFY(!h.find<QMessageBox>(u"errorAlert"_qs));
        QCOMPARE(h.store->data().keys.size(), 3u);
        QTRY_COMPARE(h.caption(u"keyCountLabel"_qs), u"3 keys"_qs);
        QCOMPARE(h.store->calls(Op::deleteKeyMeta).size(), 1u);
        QVERIFY(!h.store->calls(Op::deleteKeyMeta)[0].evenIfUsed);
        h.store->succeed(Op::deleteKeyMeta);

        h.state().setSelectedId("key-my_key");
        QCOMPARE(h.caption(u"usedByCaption"_qs), u"USED BY 1 HOST"_qs);
        QVERIFY(!h.find(u"passphraseButton"_qs)); // passphrase state unknown

        h.state().setSelectedId("key-id_work");
        QVERIFY(h.detail()->deleteButton()->isEnabled());
        QCOMPARE(h.caption(u"usedByCaption"_qs), u"USED BY 0 HOSTS"_qs);
        QTRY_VERIFY(h.find(u"notAssignedLabel"_qs)->isVisible());
        QVERIFY(!h.find(u"usedByTableView"_qs));
        QCOMPARE(h.find(u"passphraseButton"_qs)->accessibleName(), u"Set passphrase"_qs);

        h.action(u"deleteKeyAction"_qs)->trigger();
        auto* alert = h.deleteAlert();
        QVERIFY(alert && alert->isVisible());
        QCOMPARE(alert->text(), u"Delete \"Work\"?"_qs);
        QCOMPARE(
            alert->informativeText(),
            u"This will permanently delete these files: ~/.ssh/id_work, ~/.ssh/id_work.pub."_qs);
        alert->findChild<QPushButton*>(u"alertCancelButton"_qs)->click();
        QTRY_VERIFY(!h.state().toDelete());
        QCOMPARE(h.store->calls(Op::deleteKeyMeta).size(), 1u);
        h.detail()->deleteButton()->click();
        QTRY_VERIFY(h.deleteAlert());
        h.deleteAlert()->findChild<QPushButton*>(u"alertDeleteButton"_qs)->click();
        QTRY_VERIFY(!h.state().selectedId());
        QTRY_COMPARE(h.store->calls(Op::deleteKeyMeta).size(), 2u);
        QCOMPARE(h.store->calls(Op::deleteKeyMeta)[1].id, "key-id_work");
        QVERIFY(!h.state().toDelete());
        QTRY_COMPARE(h.caption(u"noKeysLabel"_qs), u"Select a key"_qs);
        QVERIFY(!h.find(u"rescanButton"_qs));

        VaultData oneKey;
        oneKey.keys = {keysVault().keys[0]};
        h.store->setData(oneKey);
        h.model->refreshKeys();
        QTRY_COMPARE(h.caption(u"keyCountLabel"_qs), u"1 key"_qs);
        h.store->setData({});
        h.model->refreshKeys();
        QTRY_COMPARE(h.caption(u"noKeysLabel"_qs), u"No keys found"_qs);
        // The refused deletion's own rescan may still be on its way.
        const auto rescans = h.store->calls(Op::rescanKeys).size();
        h.find<QPushButton>(u"rescanButton"_qs)->click();
        QTRY_VERIFY(h.store->calls(Op::rescanKeys).size() > rescans);
    }

    void createdIsAShortLocaleDate() {
        const QLocale british(QLocale::English, QLocale::UnitedKingdom);
        QCOMPARE(KeyDetailView::createdText("2024-01-02", british), u"2 Jan 2024"_qs);
        QCOMPARE(KeyDetailView::createdText("2024-01-02", QLocale(QLocale::English)),
                 u"Jan 2, 2024"_qs);
        QCOMPARE(KeyDetailView::createdText("2024-01-02", QLocale(QLocale::German)),
                 u"2. Jan. 2024"_qs);
        QCOMPARE(KeyDetailView::createdText("unknown", british), u"unknown"_qs);
    }

    // The detail tells the size, a weak key, a missing public file (with
    // the way to rebuild it, asking a protected key's passphrase first) and
    // each certificate with its expiry; deleting names every file.
    void sizeWeaknessMissingPublicFileAndCertificates() {
        VaultData data = keysVault();
        data.keys[0].bits = 256;
        data.keys[0].publicKeyMissing = true;
        data.keys[1].bits = 1024;
        data.keys[1].hasPassphrase = false;
        data.keys[1].publicKeyMissing = true;
        KeyCertificate certificate;
        certificate.path = "~/.ssh/id_work-cert.pub";
        certificate.kind = "user";
        certificate.keyId = "desk";
        certificate.principals = {"alice", "bob"};
        certificate.validBefore =
            static_cast<std::uint64_t>(QDateTime::currentSecsSinceEpoch() + 3 * 3600 - 20);
        data.keys[1].certificates = {certificate};
        KeysHarness h(data);
        auto typeText = [&] {
            return h.find<CardFrame>(u"typeCard"_qs)->findChild<QTextEdit*>()->toPlainText();
        };
        QCOMPARE(typeText(), u"ED25519 256"_qs);
        QVERIFY(h.find(u"publicKeyMissingBadge"_qs));
        QVERIFY(!h.find(u"weakKeyBadge"_qs));
        QVERIFY(!h.find(u"certificateCard"_qs));
        // Protected: the passphrase first; a failure stays in the dialog.
        h.find<QPushButton>(u"recreatePublicKeyButton"_qs)->click();
        QTRY_VERIFY(h.find(u"recreatePublicDialog"_qs));
        auto* recreate = h.find<QPushButton>(u"recreateButton"_qs);
        auto* field = h.find<QLineEdit>(u"keyPassphraseField"_qs);
        QVERIFY(!recreate->isEnabled());
        QTest::keyClicks(field, u"pw"_qs);
        h.store->fail(Op::recreatePublicKey, "Wrong passphrase for ~/.ssh/id_ed25519");
        recreate->click();
        QTRY_VERIFY(h.find(u"failureLabel"_qs)->isVisible());
        QVERIFY(!h.find(u"errorAlert"_qs) && field->text().isEmpty());
        h.store->succeed(Op::recreatePublicKey);
        QTest::keyClicks(field, u"pw"_qs);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_VERIFY(!h.state().sheet());
        const auto calls = h.store->calls(Op::recreatePublicKey);
        QCOMPARE(calls.size(), 2u);
        QCOMPARE(calls[1].id, std::string("key-id_ed25519"));
        QCOMPARE(calls[1].passphrase, std::string("pw"));
        QTRY_VERIFY(!h.find(u"publicKeyMissingBadge"_qs));

        h.state().setSelectedId("key-id_work");
        QTRY_COMPARE(typeText(), u"RSA 1024"_qs);
        QVERIFY(h.find(u"weakKeyBadge"_qs)->accessibleName().contains(u"1024 bits"_qs));
        QVERIFY(h.find(u"recreatePublicKeyButton"_qs));
        QCOMPARE(h.find<QLabel>(u"certificateExpiryBadge"_qs)->text(), u"Expires in 3 hours"_qs);
        QCOMPARE(h.find<QTextEdit>(u"certificatePrincipals"_qs)->toPlainText(), u"alice, bob"_qs);
        h.detail()->deleteButton()->click();
        QTRY_VERIFY(h.deleteAlert());
        QVERIFY(h.deleteAlert()->informativeText().endsWith(
            u"files: ~/.ssh/id_work, ~/.ssh/id_work-cert.pub."_qs));
    }

    // At the window's smallest the fingerprint still takes a single line.
    void fingerprintNeverWraps() {
        VaultData data = keysVault();
        data.keys[0].fingerprint = "SHA256:" + std::string(43, 'W');
        KeysHarness h(data);
        h.view->resize(h.view->minimumSizeHint());
        auto* text = h.find<QTextEdit>(u"fingerprintText"_qs);
        QCOMPARE(text->toPlainText(), QString::fromStdString(data.keys[0].fingerprint));
        QTRY_COMPARE(text->height(), text->heightForWidth(100000));
    }

    // Copy buttons put the exact text and show "Copied" for a while. A
    // failed generation stays in the open dialog; a success closes the
    // sheet with the new key selected in a list that shows it.
    void copyButtonsThenGenerateFailingThenSucceeding() {
        KeysHarness h;
        auto* clipboard = QGuiApplication::clipboard();
        auto* fingerprint = h.detail()->fingerprintCopyButton();
        QCOMPARE(fingerprint->text(), u"Copy"_qs);
        fingerprint->click();
        QCOMPARE(clipboard->text(), u"SHA256:id_ed25519"_qs);
        QCOMPARE(fingerprint->text(), u"Copied"_qs);

        // Ctrl+Shift+C copies the public key through its button.
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        h.action(u"copyPublicKeyAction"_qs)->trigger();
        auto* publicKey = h.detail()->publicKeyCopyButton();
        QCOMPARE(clipboard->text(), u"ssh-ed25519 AAAA id_ed25519"_qs);
        QVERIFY(publicKey->isCopied());

        // A second press half-way does not extend the first one's time.
        QTimer::singleShot(CopyButton::copiedMilliseconds / 2, publicKey, &CopyButton::click);
        QTRY_VERIFY_WITH_TIMEOUT(!publicKey->isCopied(), 2 * CopyButton::copiedMilliseconds);
        QVERIFY2(sinceFirst.elapsed() < CopyButton::copiedMilliseconds * 5 / 4,
                 "cleared by the first press's timer");
        QCOMPARE(publicKey->text(), u"Copy"_qs);
        QVERIFY(!fingerprint->isCopied());

        h.store->fail(Op::generateKey, "A key named \"id_new\" already exists in ~/.ssh");
        h.find<QAbstractButton>(u"generateKeyButton"_qs)->click();
        auto* dialog = h.find<QDialog>(u"generateKeyDialog"_qs);
        QVERIFY(dialog && dialog->isVisible());
        auto* file = dialog->findChild<QLineEdit*>(u"fileNameField"_qs);
        QTRY_VERIFY(file->hasFocus());
        QTest::keyClicks(file, u"id_new"_qs);
        dialog->findChild<QLineEdit*>(u"displayNameField"_qs)->setText(u"New one"_qs);
        QTest::keyClicks(h.find<QLineEdit>(u"keysSearchField"_qs), u"Lap"_qs);
        QTest::keyClick(file, Qt::Key_Return, Qt::ControlModifier);

        auto* failure = dialog->findChild<QLabel*>(u"failureLabel"_qs);
        QTRY_VERIFY(failure->isVisible());
        QCOMPARE(failure->text(), u"A key named \"id_new\" already exists in ~/.ssh"_qs);
        QVERIFY(dialog->findChild<QPushButton*>(u"cancelButton"_qs)->isEnabled());
        QVERIFY(h.state().sheet());

        h.store->succeed(Op::generateKey);
        dialog->findChild<QPushButton*>(u"generateButton"_qs)->click();
        QTRY_VERIFY(!h.state().sheet());
        QCOMPARE(h.model->keys().back().name, "New one");
        QCOMPARE(h.caption(u"keyCountLabel"_qs), u"4 keys"_qs);
        QCOMPARE(h.state().selectedId(), std::optional(h.model->keys().back().id));
        QCOMPARE(h.state().search(), QString());
        QCOMPARE(h.find<QListView>(u"keyListView"_qs)->selectionModel()->selectedRows().size(), 1);
    }

    // Without an agent the tab says so once and offers no agent action; it
    // asks again on its own and takes the agent that appeared. The row, the
    // detail and the key menus then show what the agent holds, and follow an
    // add and a remove.
    void badgeFollowsTheAgentOnceThereIsOne() {
        auto store = std::make_shared<DemoWithAgent>();
        StoreWindow w(store, AppTab::keys);
        auto detail = [&] { return w.find<KeyDetailView>(u"keyDetailView"_qs); };
        QTRY_COMPARE(shownNotices(w), QStringList{AgentNotice::text()});
        QTRY_VERIFY(detail());
        for (auto* button : {detail()->addToAgentButton(), detail()->removeFromAgentButton()}) {
            QVERIFY(!button->isEnabled());
            QCOMPARE(button->toolTip(), AgentNotice::text());
        }
        for (const auto* name : {"addToAgentAction", "removeFromAgentAction"}) {
            auto* action = w.find<QAction>(QString::fromLatin1(name));
            QVERIFY(!action->isEnabled());
            QCOMPARE(action->toolTip(), AgentNotice::text());
        }
        QVERIFY(!rowInAgent(w, u"personal"_qs));

        store->running = true;
        QTRY_VERIFY_WITH_TIMEOUT(shownNotices(w).isEmpty(), 15000);
        QVERIFY(rowInAgent(w, u"personal"_qs));
        QVERIFY(!rowInAgent(w, u"prod-deploy"_qs));
        KeysMenu copies(w.model);
        w.view.keysState().setSelectedId("1"); // prod-deploy, protected
        QTRY_VERIFY(detail() && detail()->keyInfo().id == "1");
        QVERIFY(detail()->inAgentBadge()->isHidden());
        QVERIFY(!detail()->removeFromAgentButton()->isEnabled());
        QVERIFY(detail()->addToAgentButton()->isEnabled());

        w.find<QAction>(u"addToAgentAction"_qs)->trigger();
        QTRY_VERIFY(w.find<QDialog>(u"agentAddDialog"_qs));
        auto* dialog = w.find<QDialog>(u"agentAddDialog"_qs);
        auto* add = dialog->findChild<QPushButton*>(u"addButton"_qs);
        QVERIFY(!add->isEnabled());
        QTest::keyClicks(dialog->findChild<QLineEdit*>(u"agentPassphraseField"_qs), u"pw"_qs);
        dialog->findChild<QComboBox*>(u"agentLifetimeBox"_qs)->setCurrentIndex(2);
        add->click();
        QTRY_VERIFY(!w.find<QDialog>(u"agentAddDialog"_qs) ||
                    !w.find<QDialog>(u"agentAddDialog"_qs)->isVisible());
        QTRY_VERIFY(rowInAgent(w, u"prod-deploy"_qs));
        QTRY_VERIFY(!detail()->inAgentBadge()->isHidden());
        QVERIFY(detail()->removeFromAgentButton()->isEnabled());
        QVERIFY(!detail()->addToAgentButton()->isEnabled());
        QStringList marked;
        for (auto* item : copies.actions())
            if (item->property("inAgent").toBool())
                marked << item->text().section(u' ', 0, 0);
        QCOMPARE(marked, (QStringList{u"prod-deploy"_qs, u"personal"_qs, u"github"_qs}));

        detail()->removeFromAgentButton()->click();
        QTRY_VERIFY(!rowInAgent(w, u"prod-deploy"_qs));
        QTRY_VERIFY(detail()->inAgentBadge()->isHidden());
        QVERIFY(shownNotices(w).isEmpty());
    }
};

MOORKEEP_APP_TEST(KeysScreenTest);

#include "keys_screen_test.moc"
