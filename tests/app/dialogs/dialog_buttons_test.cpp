#include "connect/install_key_dialog.h"
#include "connect/preferences_dialog.h"
#include "dialogs/confirm_alert.h"
#include "hosts/defaults_dialog.h"
#include "hosts/host_dialog.h"
#include "hosts/ignored_change_alert.h"
#include "keys/agent_add_dialog.h"
#include "keys/generate_key_dialog.h"
#include "keys/key_dialog.h"
#include "keys/key_in_use_alert.h"
#include "keys/passphrase_dialog.h"
#include "support/app_test.h"
#include "updates/update_dialog.h"
#include "window/history_dialog.h"
#include "window/problems_dialog.h"

namespace {

using Make = std::function<QDialog*(QWidget* window)>;

QFuture<void> noCall() {
    return {};
}

// Each dialog of the window, as it first shows, over window.
std::vector<std::pair<const char*, Make>> dialogs(AppModel& model) {
    const VaultData vault = sampleVault();
    const SSHKey key = vault.keys.front();
    SSHHost changed = vault.hosts.front();
    return {
        {"add host",
         [=](QWidget* w) {
             return new HostDialog(
                 std::nullopt, vault.hosts, vault.keys, {}, [] {}, w);
         }},
        {"edit host changed outside",
         [=](QWidget* w) {
             auto* dialog = new HostDialog(
                 changed, vault.hosts, vault.keys, {}, [] {}, w);
             dialog->markChangedOutside(changed);
             return dialog;
         }},
        {"defaults",
         [=](QWidget* w) {
             return new DefaultsDialog(
                 vault.defaults, vault.keys, {}, [] {}, w);
         }},
        {"rename key",
         [=](QWidget* w) {
             return new KeyDialog(
                 key, {}, [] {}, w);
         }},
        {"passphrase",
         [=](QWidget* w) {
             return new PassphraseDialog(
                 key, [](const auto&) { return noCall(); }, [] {}, w);
         }},
        {"generate",
         [](QWidget* w) {
             return new GenerateKeyDialog([](const auto&, const auto&) { return noCall(); }, [] {},
                                          w);
         }},
        {"agent",
         [=](QWidget* w) {
             return new AgentAddDialog(
                 key, [](const auto&) { return noCall(); }, [] {}, w);
         }},
        {"install key",
         [=](QWidget* w) {
             return new InstallKeyDialog(vault.hosts, vault.keys, std::nullopt, std::nullopt, {},
                                         w);
         }},
        {"preferences", [](QWidget* w) { return new PreferencesDialog(std::nullopt, {}, w); }},
        {"update", [](QWidget* w) { return new UpdateDialog(w); }},
        {"history", [&model](QWidget* w) { return new HistoryDialog(model, w); }},
        {"problems", [&model](QWidget* w) { return new ProblemsDialog(model, w); }},
        {"delete alert",
         [](QWidget* w) {
             return ConfirmAlert::deleting(u"web"_qs, u"Gone."_qs, {u"a"_qs, u"b"_qs, u"c"_qs})
                 .open(w, [](bool) {});
         }},
        {"key in use alert",
         [=](QWidget* w) { return KeyInUseAlert::open(key, vault.hosts, w, [] {}); }},
        {"ignored change alert",
         [](QWidget* w) {
             IgnoredChangeAlert::open(u"Ignored."_qs,
                                      {.header = "Host *",
                                       .file = "config",
                                       .line = 3,
                                       .movable = true,
                                       .defaults = true},
                                      u"web"_qs, true, w, [](auto) {});
             return w->findChild<QMessageBox*>();
         }},
    };
}

// The letter a button's text marks with "&", lower-cased; none without.
QChar mnemonic(const QString& text) {
    for (qsizetype at = text.indexOf(u'&'); at >= 0 && at + 1 < text.size();
         at = text.indexOf(u'&', at + 2))
        if (text[at + 1] != u'&')
            return text[at + 1].toLower();
    return {};
}

} // namespace

// Every button of every dialog can be pressed with Alt and a letter of its
// own in that dialog.
class DialogButtonsTest : public QObject {
    Q_OBJECT

private slots:
    void everyButtonHasAMnemonicOfItsOwn() {
        AppHarness harness;
        for (const auto& [name, make] : dialogs(*harness.model)) {
            QWidget window;
            QDialog* dialog = make(&window);
            QVERIFY2(dialog, name);
            dialog->show();
            QSet<QChar> taken;
            for (QAbstractButton* button : dialog->findChildren<QPushButton*>()) {
                if (!button->isVisibleTo(dialog) || button->text().isEmpty())
                    continue;
                const QChar letter = mnemonic(button->text());
                const QByteArray where = QByteArray(name) + ": " + button->text().toUtf8();
                QVERIFY2(!letter.isNull(), where.constData());
                QVERIFY2(!taken.contains(letter), where.constData());
                taken.insert(letter);
            }
            QVERIFY2(!taken.isEmpty(), name);
            delete dialog;
        }
    }
};

MOORKEEP_APP_TEST(DialogButtonsTest);

#include "dialog_buttons_test.moc"
