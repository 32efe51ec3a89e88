#include "keys/generate_key_dialog.h"
#include "keys/key_dialog.h"
#include "keys/passphrase_dialog.h"
#include "keys/secret_field.h"
#include "model/store_error.h"
#include "support/app_test.h"

namespace {

// A callback's future that the test finishes or fails when it likes.
struct PendingCall {
    std::shared_ptr<QPromise<void>> promise;

    QFuture<void> start() {
        promise = std::make_shared<QPromise<void>>();
        promise->start();
        return promise->future();
    }
    void fail(const QString& message) {
        promise->setException(StoreError(message));
        promise->finish();
    }
};

template <typename T = QWidget> T* child(QWidget* dialog, const QString& name) {
    auto* found = dialog->findChild<T*>(name);
    if (!found)
        qFatal("no widget %s", qPrintable(name));
    return found;
}

struct GenerateHarness {
    GenerateHarness()
        : dialog(
              [this](const GenerateKeyOptions& options,
                     const std::optional<std::string>& displayName) {
                  sent.emplace_back(options, displayName);
                  return call.start();
              },
              [this] { ++cancels; }) {}

    QLineEdit* field(const QString& name) { return child<QLineEdit>(&dialog, name); }
    QPushButton* button(const QString& name) { return child<QPushButton>(&dialog, name); }
    QLabel* label(const QString& name) { return child<QLabel>(&dialog, name); }

    PendingCall call;
    std::vector<std::pair<GenerateKeyOptions, std::optional<std::string>>> sent;
    int cancels = 0;
    GenerateKeyDialog dialog;
};

struct PassphraseHarness {
    explicit PassphraseHarness(std::optional<bool> hasPassphrase)
        : dialog(
              withPassphrase(hasPassphrase),
              [this](const ChangePassphraseOptions& options) {
                  sent.push_back(options);
                  return call.start();
              },
              [this] { ++cancels; }) {}

    static SSHKey withPassphrase(std::optional<bool> hasPassphrase) {
        SSHKey key = sampleKey("id_ed25519", "Laptop");
        key.hasPassphrase = hasPassphrase;
        return key;
    }
    QLineEdit* field(const QString& name) { return dialog.findChild<QLineEdit*>(name); }
    QPushButton* save() { return child<QPushButton>(&dialog, u"saveButton"_qs); }
    QString title() { return child<QLabel>(&dialog, u"titleLabel"_qs)->text(); }

    PendingCall call;
    std::vector<ChangePassphraseOptions> sent;
    int cancels = 0;
    PassphraseDialog dialog;
};

struct PassphraseRow {
    std::optional<bool> isProtected;
    const char* typed;
    const char* confirmed;
    bool enabled;
    const char* action;
};

} // namespace

Q_DECLARE_METATYPE(PassphraseRow)

// The dialogs of the Keys tab: generating, passphrases, renaming.
class KeyDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // Only valid file names and addresses can be sent. The hint and the
    // display name's placeholder follow the typed file name. While a request
    // runs nothing can be pressed and the dialog stays; a failure shows its
    // message until the next attempt.
    void generateSendsTheRequestAsTypedAndFailsInTheDialog() {
        GenerateHarness h;
        h.dialog.show();
        const struct {
            const char* name;
            QString fileName, email;
            bool enabled, emailProblem;
        } cases[] = {{"empty name", u""_qs, u""_qs, false, false},
                     {"space", u"my key"_qs, u""_qs, false, false},
                     {"plain", u"id_ed25519-2"_qs, u""_qs, true, false},
                     {"other scripts", u"ключ_鍵1"_qs, u""_qs, true, false},
                     {"only spaces", u"k"_qs, u"   "_qs, true, false},
                     {"address", u"k"_qs, u" me@example.org "_qs, true, false},
                     {"no at", u"k"_qs, u"me.example.org"_qs, false, true}};
        for (const auto& c : cases) {
            h.field(u"fileNameField"_qs)->setText(c.fileName);
            h.field(u"emailField"_qs)->setText(c.email);
            QVERIFY2(h.button(u"generateButton"_qs)->isEnabled() == c.enabled, c.name);
            QVERIFY2(h.label(u"emailProblem"_qs)->isVisible() == c.emailProblem, c.name);
        }
        h.field(u"fileNameField"_qs)->setText(u"work_key"_qs);
        QVERIFY(h.label(u"fileNameHint"_qs)->text().startsWith(u"Saved as ~/.ssh/work_key "_qs));
        QCOMPARE(h.field(u"displayNameField"_qs)->placeholderText(), u"work_key"_qs);
        h.field(u"displayNameField"_qs)->setText(u" \n "_qs);
        h.field(u"emailField"_qs)->setText(u"  "_qs);
        child<QComboBox>(&h.dialog, u"keyTypeBox"_qs)->setCurrentIndex(1);
        QTest::keyClick(h.field(u"fileNameField"_qs), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(h.sent.size(), 1u);
        QCOMPARE(h.sent[0].first,
                 (GenerateKeyOptions{"work_key", "rsa", std::nullopt, std::nullopt}));
        QCOMPARE(h.sent[0].second, std::nullopt);
        QCOMPARE(h.button(u"generateButton"_qs)->text(), u"Generating…"_qs);
        QVERIFY(!h.button(u"generateButton"_qs)->isEnabled());
        QVERIFY(!h.button(u"cancelButton"_qs)->isEnabled());
        h.dialog.reject();
        QCOMPARE(h.cancels, 0);
        QVERIFY(h.dialog.isVisible());

        h.call.fail(u"ssh-keygen failed: no entropy"_qs);
        QTRY_VERIFY(h.label(u"failureLabel"_qs)->isVisible());
        QCOMPARE(h.label(u"failureLabel"_qs)->text(), u"ssh-keygen failed: no entropy"_qs);
        QCOMPARE(h.button(u"generateButton"_qs)->text(), u"Generate"_qs);
        QVERIFY(h.button(u"generateButton"_qs)->isEnabled());
        h.field(u"displayNameField"_qs)->setText(u"\u2003Work\t"_qs);
        h.field(u"emailField"_qs)->setText(u" me@example.org\t"_qs);
        h.field(u"passphraseField"_qs)->setText(u" pass "_qs);
        QVERIFY(!h.button(u"generateButton"_qs)->isEnabled());
        h.field(u"confirmPassphraseField"_qs)->setText(u"pass"_qs);
        QVERIFY(h.label(u"mismatchLabel"_qs)->isVisible());
        QVERIFY(!h.button(u"generateButton"_qs)->isEnabled());
        h.field(u"confirmPassphraseField"_qs)->setText(u" pass "_qs);
        QVERIFY(!h.label(u"mismatchLabel"_qs)->isVisible());
        h.button(u"generateButton"_qs)->click();
        QVERIFY(!h.label(u"failureLabel"_qs)->isVisible());
        QCOMPARE(h.sent.size(), 2u);
        QCOMPARE(h.sent[1].first,
                 (GenerateKeyOptions{"work_key", "rsa", " pass ", "me@example.org"}));
        QCOMPARE(h.sent[1].second, std::optional<std::string>("Work"));
        h.call.fail(u"x"_qs);
        QTRY_VERIFY(h.button(u"cancelButton"_qs)->isEnabled());
        h.button(u"cancelButton"_qs)->click();
        QCOMPARE(h.cancels, 1);
    }

    // Return walks through every field, the passphrase typed twice, and
    // only the last one's Return generates.
    void generateReturnPassesEveryFieldFirst() {
        GenerateHarness h;
        h.dialog.show();
        QTRY_VERIFY(h.field(u"fileNameField"_qs)->hasFocus());
        QTest::keyClicks(h.field(u"fileNameField"_qs), u"k"_qs);
        const char* order[] = {"displayNameField", "emailField", "keyTypeBox", "passphraseField",
                               "confirmPassphraseField"};
        for (const char* name : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY2(h.sent.empty(), name);
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(name));
            if (qobject_cast<SecretField*>(QApplication::focusWidget()))
                QTest::keyClicks(QApplication::focusWidget(), u"pw"_qs);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(h.sent.size(), 1u);
        QCOMPARE(h.sent[0].first.passphrase, std::optional<std::string>("pw"));
    }

    // Secrets stay off the clipboard. A failure makes room for its message.
    // Return moves through the fields and never removes; removing is the
    // button, then a confirmation whose default declines. Closing empties
    // the fields.
    void passphraseDialogForAProtectedKey() {
        QGuiApplication::clipboard()->setText(u"before"_qs);
        PassphraseHarness h(true);
        h.dialog.show();
        auto* current = h.field(u"currentPassphraseField"_qs);
        QTRY_VERIFY(current->hasFocus());
        for (const auto* name :
             {"currentPassphraseField", "newPassphraseField", "confirmPassphraseField"})
            QCOMPARE(h.field(QString::fromLatin1(name))->echoMode(), QLineEdit::Password);
        QTest::keyClicks(current, u" old "_qs);
        current->selectAll();
        QTest::keyClick(current, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(current, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"before"_qs);
        QCOMPARE(current->text(), u" old "_qs);
        QCOMPARE(current->contextMenuPolicy(), Qt::NoContextMenu);
        QVERIFY(!current->dragEnabled());

        QVERIFY(h.save()->property("destructive").toBool());
        h.field(u"newPassphraseField"_qs)->setText(u"new"_qs);
        QVERIFY(!h.save()->property("destructive").toBool());

        auto* mismatch = child<QLabel>(&h.dialog, u"mismatchLabel"_qs);
        h.field(u"confirmPassphraseField"_qs)->setText(u"ne"_qs);
        QVERIFY(mismatch->isVisible());
        QVERIFY(!h.save()->isEnabled());
        h.field(u"confirmPassphraseField"_qs)->clear();
        QVERIFY(!mismatch->isVisible());
        QVERIFY(!h.save()->isEnabled());

        // "é" typed as one character or as e and a combining accent.
        h.field(u"newPassphraseField"_qs)->setText(u"caf\u00e9"_qs);
        h.field(u"confirmPassphraseField"_qs)->setText(u"cafe\u0301"_qs);
        QVERIFY(!mismatch->isVisible());

        h.save()->click();
        QCOMPARE(h.sent.size(), 1u);
        QCOMPARE(h.sent[0], (ChangePassphraseOptions{"key-id_ed25519", " old ", "caf\u00e9"}));
        QCOMPARE(h.save()->text(), u"Saving…"_qs);
        QVERIFY(!child<QPushButton>(&h.dialog, u"cancelButton"_qs)->isEnabled());
        h.dialog.reject();
        QCOMPARE(h.cancels, 0);

        // The dialog makes room for the box instead of squeezing its fields.
        const int heightBefore = h.dialog.height();
        h.call.fail(u"The current passphrase of ~/.ssh/id_ed25519 is not right."_qs);
        auto* failure = child<QLabel>(&h.dialog, u"failureLabel"_qs);
        QTRY_VERIFY(failure->isVisible());
        QCOMPARE(failure->text(), u"The current passphrase of ~/.ssh/id_ed25519 is not right."_qs);
        QVERIFY(h.save()->isEnabled());
        QVERIFY(h.dialog.height() > heightBefore);
        for (const auto* name :
             {"currentPassphraseField", "newPassphraseField", "confirmPassphraseField"})
            QVERIFY2(h.field(QString::fromLatin1(name))->height() >=
                         h.field(QString::fromLatin1(name))->sizeHint().height(),
                     name);

        h.field(u"newPassphraseField"_qs)->clear();
        h.field(u"confirmPassphraseField"_qs)->clear();
        current->setFocus();
        QTest::keyClick(current, Qt::Key_Return);
        QTRY_VERIFY(h.field(u"newPassphraseField"_qs)->hasFocus());
        QTest::keyClick(h.field(u"newPassphraseField"_qs), Qt::Key_Enter);
        QTRY_VERIFY(h.field(u"confirmPassphraseField"_qs)->hasFocus());
        QTest::keyClick(h.field(u"confirmPassphraseField"_qs), Qt::Key_Return);
        QTest::keyClick(&h.dialog, Qt::Key_Return);
        QCOMPARE(h.sent.size(), 1u);

        h.save()->click();
        QMessageBox* alert = h.dialog.removeAlert();
        QVERIFY(alert);
        QVERIFY(alert->informativeText().contains(u"anyone who gets the file can use this key"_qs));
        QCOMPARE(alert->defaultButton()->objectName(), u"alertCancelButton"_qs);
        alert->defaultButton()->click();
        QTRY_VERIFY(!h.dialog.removeAlert());
        QCOMPARE(h.sent.size(), 1u);
        h.save()->click();
        child<QPushButton>(h.dialog.removeAlert(), u"alertRemoveButton"_qs)->click();
        QCOMPARE(h.sent.size(), 2u);
        QCOMPARE(h.sent[1], (ChangePassphraseOptions{"key-id_ed25519", " old ", ""}));

        h.field(u"newPassphraseField"_qs)->setText(u"a"_qs);
        h.field(u"confirmPassphraseField"_qs)->setText(u"a"_qs);
        h.dialog.dismiss();
        QVERIFY(!h.dialog.isVisible());
        for (const auto* name :
             {"currentPassphraseField", "newPassphraseField", "confirmPassphraseField"})
            QVERIFY2(h.field(QString::fromLatin1(name))->text().isEmpty(), name);

        GenerateHarness g;
        g.dialog.show();
        g.field(u"passphraseField"_qs)->setText(u"hunter2"_qs);
        g.dialog.dismiss();
        QVERIFY(g.field(u"passphraseField"_qs)->text().isEmpty());
    }

    // A new passphrase counts only once it was typed twice alike; removing
    // needs both new fields empty. The current passphrase is asked for, and
    // has the focus, only where the key is known to have one.
    void actionNeedsTheNewPassphraseTwice_data() {
        QTest::addColumn<PassphraseRow>("row");
        const char* set = "Set Passphrase";
        const char* change = "Change Passphrase";
        const char* remove = "Remove Passphrase";
        QTest::newRow("set, nothing typed") << PassphraseRow{false, "", "", false, set};
        QTest::newRow("set, typed once") << PassphraseRow{false, "abc", "", false, set};
        QTest::newRow("set, half confirmed") << PassphraseRow{false, "abc", "ab", false, set};
        QTest::newRow("set, confirmed") << PassphraseRow{false, "abc", "abc", true, set};
        QTest::newRow("set where unknown") << PassphraseRow{{}, "abc", "abc", true, set};
        QTest::newRow("change, typed once") << PassphraseRow{true, "abc", "", false, change};
        QTest::newRow("change, confirmed") << PassphraseRow{true, "abc", "abc", true, change};
        QTest::newRow("remove") << PassphraseRow{true, "", "", true, remove};
        QTest::newRow("remove, stray confirmation") << PassphraseRow{true, "", "x", false, remove};
    }

    void actionNeedsTheNewPassphraseTwice() {
        QFETCH(PassphraseRow, row);
        const QString typed = QString::fromLatin1(row.typed);
        const QString confirmed = QString::fromLatin1(row.confirmed);
        PassphraseHarness h(row.isProtected);
        h.dialog.show();
        const bool asksCurrent = row.isProtected.value_or(false);
        QCOMPARE(h.title(), asksCurrent ? u"Change Passphrase"_qs : u"Set Passphrase"_qs);
        QCOMPARE(bool(h.field(u"currentPassphraseField"_qs)), asksCurrent);
        QTRY_VERIFY(h.field(asksCurrent ? u"currentPassphraseField"_qs : u"newPassphraseField"_qs)
                        ->hasFocus());
        QTest::keyClicks(h.field(u"newPassphraseField"_qs), typed);
        QTest::keyClicks(h.field(u"confirmPassphraseField"_qs), confirmed);
        // Checking the entries leaves what was typed alone.
        QCOMPARE(h.field(u"newPassphraseField"_qs)->text(), typed);
        QCOMPARE(h.field(u"confirmPassphraseField"_qs)->text(), confirmed);
        QCOMPARE(h.save()->isEnabled(), row.enabled);
        QCOMPARE(h.save()->text(), QString::fromLatin1(row.action));
        // Return in the last field acts only when the button may, and never
        // removes a passphrase.
        QTest::keyClick(h.field(u"confirmPassphraseField"_qs), Qt::Key_Return);
        QCOMPARE(h.sent.size(), row.enabled && !typed.isEmpty() ? 1u : 0u);
        QVERIFY(!h.dialog.removeAlert());
    }

    void wipingWritesOverTheSharedText() {
        SecretField field;
        QTest::keyClicks(&field, u"hunter2"_qs); // typed text lives on the heap
        QString held = field.text();             // shares the field's storage
        const QChar* storage = held.constData();
        field.wipe();
        QVERIFY(field.text().isEmpty());
        QCOMPARE(QStringView(storage, 7), QString(7, QChar(0)));
    }

    void renameTrimsAndRefusesEmptyNames() {
        std::vector<SSHKey> saved;
        int cancels = 0;
        KeyDialog dialog(
            sampleKey("id_ed25519", "Laptop"), [&](const SSHKey& key) { saved.push_back(key); },
            [&] { ++cancels; });
        dialog.show();
        auto* name = child<QLineEdit>(&dialog, u"displayNameField"_qs);
        auto* save = child<QPushButton>(&dialog, u"saveButton"_qs);
        QCOMPARE(name->text(), u"Laptop"_qs);
        QTRY_VERIFY(name->hasFocus());

        name->setText(u" \u2028\t"_qs);
        QVERIFY(!save->isEnabled());
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(saved.empty());

        name->setText(u"\tprod-deploy\r\n"_qs);
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(saved.size(), 1u);
        QCOMPARE(saved[0], sampleKey("id_ed25519", "prod-deploy"));

        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(cancels, 1);
    }
};

MOORKEEP_APP_TEST(KeyDialogsTest);

#include "key_dialogs_test.moc"
