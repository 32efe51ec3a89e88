#include "hosts/host_dialog.h"
#include "hosts/key_picker.h"
#include "support/app_test.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace moorkeep;
using namespace moorkeep::test;

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
    // Replaces a field's text as typing would.
    void type(const char* name, const QString& text) const {
        field(name)->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field(name), Qt::Key_Backspace);
        else
            QTest::keyClicks(field(name), text);
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

} // namespace

class HostDialogTest : public QObject {
    Q_OBJECT

private slots:
    void fillingFollowsTheMode() {
        DialogHarness adding(std::nullopt);
        QCOMPARE(adding.field("portField")->text(), u"22"_qs);
        QVERIFY(!adding.button("saveButton")->isEnabled());
        QTRY_VERIFY(adding.field("aliasField")->hasFocus());

        SSHHost web = sampleHost("cfg-web");
        web.port = 2222;
        web.proxyJump = "bastion";
        DialogHarness editing(web);
        QCOMPARE(editing.field("aliasField")->text(), u"web"_qs);
        QCOMPARE(editing.field("portField")->text(), u"2222"_qs);
        QCOMPARE(editing.field("proxyJumpField")->text(), u"bastion"_qs);
        auto* picker = editing.dialog->findChild<KeyPicker*>(u"keyPicker"_qs);
        QCOMPARE(picker->currentText(), u"Laptop (ed25519)"_qs);
        QCOMPARE(picker->itemText(0), u"None"_qs);
    }

    // What each field's text allows, and the record a save hands over.
    void validationAndTheSavedRecord_data() {
        QTest::addColumn<QString>("editedId"); // empty when adding
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("canSave");
        QTest::addColumn<QString>("problemLine"); // the line shown, if any
        QTest::addColumn<qint64>("port");
        QTest::addColumn<QString>("proxyJump"); // null for absent

        const QString none;
        QTest::newRow("duplicate alias") << QString() << "aliasField"
                                         << "db" << false << "duplicateAliasLine" << 22LL << none;
        QTest::newRow("other case is no duplicate") << QString() << "aliasField"
                                                    << "DB" << true << none << 22LL << none;
        QTest::newRow("own alias when editing") << "cfg-db"
                                                << "aliasField"
                                                << "db" << true << none << 22LL << none;
        QTest::newRow("another's alias when editing")
            << "cfg-db"
            << "aliasField"
            << "web" << false << "duplicateAliasLine" << 22LL << none;
        QTest::newRow("alias with a space") << QString() << "aliasField"
                                            << "a b" << false << "aliasProblemLine" << 22LL << none;
        QTest::newRow("empty port means 22") << QString() << "portField"
                                             << "" << true << none << 22LL << none;
        QTest::newRow("port 2222") << QString() << "portField"
                                   << "2222" << true << none << 2222LL << none;
        QTest::newRow("port with a space") << QString() << "portField"
                                           << "2222 " << false << "portProblemLine" << 22LL << none;
        QTest::newRow("port 0") << QString() << "portField"
                                << "0" << false << "portProblemLine" << 22LL << none;
        QTest::newRow("ProxyJump trimmed") << QString() << "proxyJumpField"
                                           << "  bastion\t" << true << none << 22LL << "bastion";
        QTest::newRow("ProxyJump of spaces") << QString() << "proxyJumpField"
                                             << "   " << true << none << 22LL << none;
    }

    void validationAndTheSavedRecord() {
        QFETCH(QString, editedId);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, canSave);
        QFETCH(QString, problemLine);
        QFETCH(qint64, port);
        QFETCH(QString, proxyJump);
        DialogHarness h(editedId.isEmpty() ? std::nullopt
                                           : std::optional(sampleHost(editedId.toStdString())));
        if (editedId.isEmpty()) {
            h.type("aliasField", u"new-host"_qs);
            h.type("hostnameField", u"10.0.0.9"_qs);
        }
        const QByteArray name = field.toLatin1();
        h.type(name.constData(), text);
        // A new host's rule messages wait until the field is left.
        if (editedId.isEmpty()) {
            QCOMPARE(h.shownProblems(), QStringList());
            h.leave(name.constData());
        }

        QCOMPARE(h.dialog->canSave(), canSave);
        QCOMPARE(h.button("saveButton")->isEnabled(), canSave);
        for (const char* line : {"duplicateAliasLine", "aliasProblemLine", "portProblemLine"})
            QCOMPARE(h.shows(line), problemLine == QLatin1String(line));

        // Return in ProxyJump saves exactly when saving is allowed.
        QTest::keyClick(h.field("proxyJumpField"), Qt::Key_Return);
        QCOMPARE(h.saved.size(), canSave ? 1u : 0u);
        if (!canSave)
            return;
        const SSHHost& saved = h.saved.front();
        QCOMPARE(saved.port, port);
        QCOMPARE(saved.proxyJump,
                 proxyJump.isNull() ? std::nullopt : std::optional(proxyJump.toStdString()));
        QCOMPARE(saved.source, editedId.isEmpty() ? HostSource::user : HostSource::config);
    }

    // Nothing is red before the user did anything; trying to save shows
    // every rule that stands in the way.
    void rulesShowOnceAFieldIsLeftOrSavingIsTried() {
        DialogHarness h(std::nullopt);
        QTRY_VERIFY(h.field("aliasField")->hasFocus());
        QCOMPARE(h.shownProblems(), QStringList());
        h.type("portField", u"0"_qs);
        QCOMPARE(h.shownProblems(), QStringList());
        QTest::keyClick(h.field("proxyJumpField"), Qt::Key_Return);
        QVERIFY(h.saved.empty());
        QCOMPARE(h.shownProblems(), (QStringList{u"aliasProblemLine"_qs, u"portProblemLine"_qs}));

        DialogHarness other(std::nullopt);
        QTRY_VERIFY(other.field("aliasField")->hasFocus());
        other.leave("aliasField");
        QCOMPARE(other.shownProblems(), QStringList{u"aliasProblemLine"_qs});
    }

    // A host whose alias is already odd can be edited while the alias stays.
    void existingOddAliasCanBeKept() {
        SSHHost odd = sampleHost("cfg-web");
        odd.alias = "web db";
        DialogHarness h(odd);
        QVERIFY(h.dialog->canSave());
        h.type("aliasField", u"web db2"_qs);
        QVERIFY(!h.dialog->canSave());
        QVERIFY(h.shows("aliasProblemLine"));
    }

    // Fields the dialog does not show reach onSave as they were; "None"
    // saves no key; an unknown key id is kept unless another is chosen.
    void carriedOverFieldsAndKeys() {
        SSHHost web = sampleHost("cfg-web");
        web.extraOptions = {{"ForwardAgent", "yes"}};
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

    void returnMovesAlongTheFieldsAndEscapeCancels() {
        DialogHarness h(std::nullopt);
        QTRY_VERIFY(h.field("aliasField")->hasFocus());
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

    void changedOutsideStopsSaving() {
        DialogHarness h(sampleHost("cfg-web"));
        QVERIFY(h.dialog->canSave());
        h.dialog->markChangedOutside();
        QVERIFY(h.shows("changedOutsideLine"));
        QVERIFY(!h.button("saveButton")->isEnabled());
        QTest::keyClick(h.field("proxyJumpField"), Qt::Key_Return);
        QVERIFY(h.saved.empty());
    }
};

MOORKEEP_APP_TEST_MAIN(HostDialogTest)

#include "host_dialog_test.moc"
