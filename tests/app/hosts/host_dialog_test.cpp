#include "hosts/host_dialog.h"
#include "hosts/key_picker.h"
#include "support/app_test.h"

namespace {

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

// The dialog that adds and edits a host.
class HostDialogTest : public QObject {
    Q_OBJECT

private slots:
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

        // Return in the last field saves exactly when saving is allowed.
        QTest::keyClick(h.field("newOptionValue"), Qt::Key_Return);
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
    // rule that stands in the way. Return moves along every field, the Key
    // box too, and saves only from the last; Ctrl+Return saves from any.
    void addingStartsEmptyAndSavingShowsEveryRule() {
        DialogHarness h(std::nullopt);
        QCOMPARE(h.field("portField")->text(), u"22"_qs);
        QVERIFY(!h.button("saveButton")->isEnabled());
        QTRY_VERIFY(h.field("aliasField")->hasFocus());
        type(h.field("portField"), u"0"_qs);
        QCOMPARE(h.shownProblems(), QStringList());
        QTest::keyClick(h.field("newOptionValue"), Qt::Key_Return);
        QCOMPARE(h.shownProblems(), (QStringList{u"aliasProblemLine"_qs, u"portProblemLine"_qs}));
        for (const char* next : {"hostnameField", "userField", "portField", "keyPicker",
                                 "proxyJumpField", "newOptionName", "newOptionValue"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY2(h.dialog->findChild<QWidget*>(QString::fromLatin1(next))->hasFocus(), next);
        }
        QVERIFY(h.saved.empty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(h.cancelled, 1);
        // The owner closes the dialog, not the dialog itself.
        QVERIFY(h.dialog->isVisible());
    }

    // A duplicate is a new host under "ALIAS-copy" with every option of the
    // one copied, and says what it is.
    void duplicateKeepsEveryOption() {
        SSHHost web = sampleHost("cfg-web");
        web.extraOptions = {{"LocalForward", "8080 localhost:80"}, {"ServerAliveInterval", "30"}};
        DialogHarness h(std::nullopt);
        h.dialog->fillAsCopyOf(web);
        QCOMPARE(h.dialog->windowTitle(), u"Duplicate Host"_qs);
        QCOMPARE(h.dialog->findChild<QLabel*>(u"dialogTitle"_qs)->text(), u"Duplicate Host"_qs);
        QTest::keyClick(h.field("aliasField"), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(h.saved.size(), 1u);
        QCOMPARE(h.saved[0].alias, web.alias + "-copy");
        QCOMPARE(h.saved[0].id, std::string());
        QCOMPARE(h.saved[0].extraOptions, web.extraOptions);
    }

    // The options table edits a host's further options as the defaults'
    // does: a value changed, one removed, one added by Return, each in the
    // saved record; Return there adds rather than moving on.
    void optionsTableChangesTheHostsOptions() {
        SSHHost web = sampleHost("cfg-web");
        web.extraOptions = {{"ForwardAgent", "yes"}, {"LocalForward", "8080 localhost:80"}};
        DialogHarness h(web);
        auto values = h.dialog->findChildren<QLineEdit*>(u"extraOptionValue"_qs);
        QCOMPARE(values.size(), 2);
        type(values.at(0), u"no"_qs);
        h.dialog->findChildren<QToolButton*>(u"removeOptionButton"_qs).at(1)->click();
        type(h.field("newOptionName"), u"DynamicForward"_qs);
        type(h.field("newOptionValue"), u"1080"_qs);
        QTest::keyClick(h.field("newOptionValue"), Qt::Key_Return);
        QVERIFY(h.saved.empty());
        QVERIFY(h.field("newOptionName")->hasFocus());
        QTest::keyClick(h.field("newOptionName"), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(h.saved.size(), 1u);
        QCOMPARE(h.saved[0].extraOptions,
                 (OptionMap{{"DynamicForward", "1080"}, {"ForwardAgent", "no"}}));
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
        QTest::keyClick(h.field("aliasField"), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(h.saved.size(), 1u);
        // The line and the disabled button are checked where a host goes
        // while its dialog is open; Return must not get round them.
        h.dialog->markChangedOutside();
        QTest::keyClick(h.field("newOptionValue"), Qt::Key_Return);
        QCOMPARE(h.saved.size(), 1u);
        QVERIFY(!h.button("reloadButton")->isVisibleTo(h.dialog.get()));
    }

    // Reload after an outside change: the fields and options left alone
    // take the new values, the typed ones stay, and each that both changed
    // is named; then saving is offered again.
    void reloadKeepsWhatWasTypedAndNamesConflicts() {
        SSHHost web = sampleHost("cfg-web");
        web.extraOptions = {{"ForwardAgent", "yes"}, {"ServerAliveInterval", "30"}};
        DialogHarness h(web);
        type(h.field("userField"), u"alice"_qs);
        type(h.dialog->findChildren<QLineEdit*>(u"extraOptionValue"_qs).at(0), u"no"_qs);
        SSHHost now = web;
        now.user = "bob";
        now.hostname = "web2.example.com";
        now.port = 2200;
        now.extraOptions = {
            {"Compression", "yes"}, {"ForwardAgent", "ask"}, {"ServerAliveInterval", "60"}};
        h.dialog->markChangedOutside(now);
        QVERIFY(!h.button("saveButton")->isEnabled());
        h.button("reloadButton")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(h.button("reloadButton"), Qt::Key_Space);
        QVERIFY(h.dialog->canSave());
        QVERIFY(!h.shows("changedOutsideLine"));
        const QString conflicts = h.dialog->findChild<QLabel*>(u"reloadConflictsLine"_qs)->text();
        QCOMPARE(conflicts.count(u'\n'), 1);
        QVERIFY(conflicts.contains(u"User: kept yours, \u201calice\u201d"_qs));
        QVERIFY(conflicts.contains(u"ForwardAgent: kept yours, \u201cno\u201d"_qs));
        QTest::keyClick(h.field("aliasField"), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(h.saved.size(), 1u);
        now.user = "alice";
        now.extraOptions["ForwardAgent"] = "no";
        QCOMPARE(h.saved[0], now);
    }
};

MOORKEEP_APP_TEST(HostDialogTest);

#include "host_dialog_test.moc"
