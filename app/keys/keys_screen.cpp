#include "keys/keys_screen.h"

#include "app_model.h"
#include "keys/agent_actions.h"
#include "keys/agent_add_dialog.h"
#include "keys/agent_refresh.h"
#include "keys/dialog_parts.h"
#include "keys/generate_key_dialog.h"
#include "keys/key_detail_view.h"
#include "keys/key_dialog.h"
#include "keys/keys_detail.h"
#include "keys/keys_sidebar.h"
#include "keys/keys_state.h"
#include "keys/passphrase_dialog.h"
#include "shortcuts.h"
#include "style/copy_button.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFutureWatcher>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolTip>
#include <algorithm>

namespace moorkeep {

KeysScreen::KeysScreen(AppModel& model, KeysState& state, QWidget* window)
    : QObject(window)
    , model_(model)
    , state_(state)
    , window_(window)
    , menu_(new QMenu(tr("&Key"), window)) {
    setObjectName(QStringLiteral("keysScreen"));
    menu_->setObjectName(QStringLiteral("keyMenu"));
    addShortcut("generateKeyAction", tr("&Generate Key…"), Shortcuts::add(), &KeysScreen::generate);
    QAction* rename = addShortcut("renameKeyAction", tr("&Rename Key…"), Shortcuts::rename(),
                                  &KeysScreen::renameSelected);
    passphraseAction_ = addShortcut("passphraseAction", tr("Change &Passphrase…"),
                                    Shortcuts::passphrase(), &KeysScreen::changeSelectedPassphrase);
    forSelection_ = {rename, passphraseAction_,
                     addShortcut("deleteKeyAction", tr("&Delete Key…"), Shortcuts::remove(),
                                 &KeysScreen::deleteSelected),
                     addShortcut("copyPublicKeyAction", tr("&Copy Public Key"), Shortcuts::copy(),
                                 &KeysScreen::copySelectedPublicKey),
                     addShortcut("copyFingerprintAction", tr("Copy F&ingerprint"),
                                 Shortcuts::copyFingerprint(),
                                 &KeysScreen::copySelectedFingerprint)};
    menu_->addSeparator();
    addToAgentAction_ = addShortcut("addToAgentAction", tr("Add to A&gent…"), QKeySequence(),
                                    &KeysScreen::addSelectedToAgent);
    removeFromAgentAction_ = addShortcut("removeFromAgentAction", tr("Remove from Agen&t"),
                                         QKeySequence(), &KeysScreen::removeSelectedFromAgent);
    forSelection_.append({addToAgentAction_, removeFromAgentAction_});
    menu_->setToolTipsVisible(true);
    menu_->addSeparator();
    addShortcut("keysSearchAction", tr("&Find Key"), Shortcuts::find(), &KeysScreen::focusSearch);
    addShortcut("rescanKeysAction", tr("Re&scan Keys"), Shortcuts::rescan(), &KeysScreen::rescan);

    connect(&model_, &AppModel::tabChanged, this, &KeysScreen::updateShortcuts);
    connect(&model_, &AppModel::isLoadingChanged, this, &KeysScreen::updateShortcuts);
    connect(&model_, &AppModel::keysChanged, this, &KeysScreen::updateShortcuts);
    connect(&model_, &AppModel::agentChanged, this, &KeysScreen::updateShortcuts);
    connect(&state_, &KeysState::selectedIdChanged, this, &KeysScreen::updateShortcuts);
    connect(&state_, &KeysState::sheetChanged, this, &KeysScreen::showSheet);
    connect(&state_, &KeysState::keyToDeleteChanged, this, &KeysScreen::showDeleteAlert);
    updateShortcuts();
    showSheet();
    showDeleteAlert();
    new AgentRefresh(model_, window_);
}

QAction* KeysScreen::addShortcut(const char* objectName, const QString& text,
                                 const QKeySequence& keys, void (KeysScreen::*run)()) {
    auto* action = new QAction(text, window_);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, run);
    window_->addAction(action);
    menu_->addAction(action);
    shortcuts_.append(action);
    return action;
}

// The Hosts tab binds some of the same keys while it shows. A key whose
// protection is unknown offers no passphrase change, as its detail does not.
void KeysScreen::updateShortcuts() {
    const bool live = model_.tab() == AppTab::keys && !model_.isLoading();
    const auto key = selectedKey();
    for (auto* action : shortcuts_)
        action->setEnabled(live && (!forSelection_.contains(action) || key));
    if (key && !key->hasPassphrase)
        passphraseAction_->setEnabled(false);
    const auto offer = key ? AgentActions::forKey(*key, model_.agent()) : AgentActions::Offer{};
    addToAgentAction_->setEnabled(live && offer.canAdd);
    addToAgentAction_->setToolTip(offer.addTip);
    removeFromAgentAction_->setEnabled(live && offer.canRemove);
    removeFromAgentAction_->setToolTip(offer.removeTip);
}

std::optional<SSHKey> KeysScreen::selectedKey() const {
    const auto& id = state_.selectedId();
    return id ? model_.keyWithId(*id) : std::nullopt;
}

KeysSidebar* KeysScreen::sidebar() const {
    return window_->findChild<KeysSidebar*>();
}

KeysDetail* KeysScreen::detail() const {
    return window_->findChild<KeysDetail*>();
}

void KeysScreen::focusSearch() {
    if (auto* shown = sidebar()) {
        shown->searchField()->setFocus(Qt::ShortcutFocusReason);
        shown->searchField()->selectAll();
    }
}

void KeysScreen::generate() {
    state_.setSheet(KeySheet::generate());
}

void KeysScreen::renameSelected() {
    if (auto key = selectedKey())
        state_.setSheet(KeySheet::rename(*key));
}

void KeysScreen::changeSelectedPassphrase() {
    if (auto key = selectedKey(); key && key->hasPassphrase)
        state_.setSheet(KeySheet::passphrase(*key));
}

void KeysScreen::addSelectedToAgent() {
    if (auto key = selectedKey(); key && AgentActions::forKey(*key, model_.agent()).canAdd)
        state_.setSheet(KeySheet::agentAdd(*key));
}

void KeysScreen::removeSelectedFromAgent() {
    if (auto key = selectedKey(); key && AgentActions::forKey(*key, model_.agent()).canRemove)
        model_.removeKeyFromAgent(*key);
}

// Refused while hosts use the key, in the words of the Delete button's tip.
void KeysScreen::deleteSelected() {
    const auto& id = state_.selectedId();
    auto key = id ? model_.keyWithId(*id) : std::nullopt;
    if (!key)
        return;
    if (!model_.hostsUsingKey(key->id).empty()) {
        QApplication::beep();
        const QString refusal = tr("Remove key from all hosts first");
        QWidget* anchor = window_;
        if (auto* shown = detail(); shown && shown->detailView())
            anchor = shown->detailView()->deleteButton();
        QToolTip::showText(anchor->mapToGlobal(QPoint(0, anchor->height())), refusal, anchor);
        return;
    }
    state_.setKeyToDelete(*key);
}

// Through the detail's buttons, so their "Copied" shows too.
void KeysScreen::copySelectedPublicKey() {
    auto* shown = detail();
    if (!shown || !shown->detailView())
        return;
    shown->detailView()->publicKeyCopyButton()->copy();
    model_.notify(tr("Public key of \u201c%1\u201d copied")
                      .arg(QString::fromStdString(shown->detailView()->keyInfo().name)));
}

void KeysScreen::copySelectedFingerprint() {
    auto* shown = detail();
    if (!shown || !shown->detailView())
        return;
    shown->detailView()->fingerprintCopyButton()->copy();
    model_.notify(tr("Fingerprint of \u201c%1\u201d copied")
                      .arg(QString::fromStdString(shown->detailView()->keyInfo().name)));
}

void KeysScreen::rescan() {
    model_.refreshKeys();
}

void KeysScreen::showSheet() {
    const auto& sheet = state_.sheet();
    const QString identity = sheet ? sheet->identity() : QString();
    if (sheet_ && identity == sheetIdentity_)
        return;
    closeSheet();
    if (!sheet)
        return;
    sheetIdentity_ = identity;
    sheet_ = makeSheet();
    sheet_->open();
}

QDialog* KeysScreen::makeSheet() {
    const KeySheet& sheet = *state_.sheet();
    auto cancel = [this] { state_.setSheet(std::nullopt); };
    switch (sheet.kind) {
    case KeySheet::Kind::rename: {
        auto* dialog = new KeyDialog(
            *sheet.key,
            [this](const SSHKey& renamed) {
                state_.setSheet(std::nullopt);
                model_.renameKey(renamed);
            },
            cancel, window_);
        dismissSheet_ = [dialog] { dialog->dismiss(); };
        return dialog;
    }
    case KeySheet::Kind::passphrase: {
        auto* dialog = new PassphraseDialog(
            *sheet.key,
            [this](const ChangePassphraseOptions& options) {
                QFuture<void> done = model_.changePassphrase(options);
                DialogParts::awaitSuccess(done, this, [this] { state_.setSheet(std::nullopt); });
                return done;
            },
            cancel, window_);
        dismissSheet_ = [dialog] { dialog->dismiss(); };
        return dialog;
    }
    case KeySheet::Kind::agentAdd: {
        auto* dialog = new AgentAddDialog(
            *sheet.key,
            [this](const AgentAddOptions& options) {
                QFuture<void> done = model_.addKeyToAgent(options);
                DialogParts::awaitSuccess(done, this, [this] { state_.setSheet(std::nullopt); });
                return done;
            },
            cancel, window_);
        dismissSheet_ = [dialog] { dialog->dismiss(); };
        return dialog;
    }
    case KeySheet::Kind::generate:
        break;
    }
    auto* dialog = new GenerateKeyDialog(
        [this](const GenerateKeyOptions& options, const std::optional<std::string>& displayName) {
            QFuture<void> done = model_.generateKey(options, displayName);
            DialogParts::awaitSuccess(done, this, [this, before = model_.keys()] {
                state_.setSheet(std::nullopt);
                selectNewKey(before);
            });
            return done;
        },
        cancel, window_);
    dismissSheet_ = [dialog] { dialog->dismiss(); };
    return dialog;
}

// The key that was not there before is the one just made; the search is
// cleared so the list shows it.
void KeysScreen::selectNewKey(const std::vector<SSHKey>& before) {
    for (const SSHKey& key : model_.keys())
        if (std::none_of(before.begin(), before.end(),
                         [&](const SSHKey& old) { return old.id == key.id; })) {
            state_.setSearch(QString());
            state_.setSelectedId(key.id);
            return;
        }
}

void KeysScreen::closeSheet() {
    if (!sheet_)
        return;
    QPointer<QDialog> closing = sheet_;
    sheet_ = nullptr;
    sheetIdentity_.clear();
    auto dismiss = std::exchange(dismissSheet_, nullptr);
    dismiss();
    if (closing)
        closing->deleteLater();
}

void KeysScreen::showDeleteAlert() {
    const auto& key = state_.keyToDelete();
    if (!key) {
        if (alert_)
            alert_->close();
        return;
    }
    if (alert_)
        return;
    const QString name = QString::fromStdString(key->name);
    alert_ = new QMessageBox(window_);
    alert_->setObjectName(QStringLiteral("deleteKeyAlert"));
    alert_->setIcon(QMessageBox::Warning);
    alert_->setTextFormat(Qt::PlainText);
    alert_->setWindowTitle(tr("Delete \"%1\"?").arg(name));
    alert_->setText(tr("Delete \"%1\"?").arg(name));
    alert_->setInformativeText(
        tr("This will permanently delete the private and public key files from ~/.ssh."));
    auto* cancel = alert_->addButton(tr("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("alertCancelButton"));
    auto* confirm = alert_->addButton(tr("Delete"), QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("alertDeleteButton"));
    DialogParts::setDestructive(qobject_cast<QPushButton*>(confirm), true);
    alert_->setDefaultButton(cancel);
    alert_->setEscapeButton(cancel);
    alert_->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert_, &QMessageBox::buttonClicked, this, [this, confirm](QAbstractButton* button) {
        if (button == confirm)
            confirmDelete();
    });
    connect(alert_, &QDialog::finished, this, [this] {
        alert_ = nullptr;
        state_.setKeyToDelete(std::nullopt);
    });
    alert_->open();
}

// The selection goes once the delete is over, also when it failed.
void KeysScreen::confirmDelete() {
    const auto key = state_.keyToDelete();
    if (!key)
        return;
    QFuture<void> done = model_.deleteKey(*key);
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, id = key->id] {
        watcher->deleteLater();
        if (state_.selectedId() == id)
            state_.setSelectedId(std::nullopt);
    });
    watcher->setFuture(done);
    state_.setKeyToDelete(std::nullopt);
}

} // namespace moorkeep
