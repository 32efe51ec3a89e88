#include "keys/keys_screen.h"

#include "keys/agent_actions.h"
#include "keys/agent_add_dialog.h"
#include "keys/agent_refresh.h"
#include "keys/certificate_watch.h"
#include "keys/generate_key_dialog.h"
#include "keys/key_detail_view.h"
#include "keys/key_dialog.h"
#include "keys/keys_detail.h"
#include "keys/keys_sidebar.h"
#include "keys/passphrase_dialog.h"
#include "keys/recreate_public_dialog.h"
#include "model/app_model.h"
#include "model/key_files.h"
#include "model/when_finished.h"
#include "style/copy_button.h"
#include "window/shortcuts.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace moorkeep {

KeysScreen::KeysScreen(AppModel& model, KeysState& state, QWidget* window)
    : QObject(window)
    , model_(model)
    , state_(state)
    , window_(window)
    , menu_(tr("&Key"), QStringLiteral("keyMenu"), AppTab::keys, *window, this) {
    setObjectName(QStringLiteral("keysScreen"));
    menu_.add(QStringLiteral("generateKeyAction"), tr("&Generate Key…"), Shortcuts::add(),
              [this] { generate(); });
    menu_.addForSelection(QStringLiteral("renameKeyAction"), tr("&Rename Key…"),
                          Shortcuts::rename(), [this] { renameSelected(); });
    passphraseAction_ =
        menu_.addForSelection(QStringLiteral("passphraseAction"), tr("Change &Passphrase…"),
                              Shortcuts::passphrase(), [this] { changeSelectedPassphrase(); });
    menu_.addForSelection(QStringLiteral("deleteKeyAction"), tr("&Delete Key…"),
                          Shortcuts::remove(), [this] { deleteSelected(); });
    menu_.addForSelection(QStringLiteral("copyPublicKeyAction"), tr("&Copy Public Key"),
                          Shortcuts::copy(), [this] { copySelectedPublicKey(); });
    menu_.addForSelection(QStringLiteral("copyFingerprintAction"), tr("Copy F&ingerprint"),
                          Shortcuts::copyFingerprint(), [this] { copySelectedFingerprint(); });
    menu_.addSeparator();
    addToAgentAction_ =
        menu_.addForSelection(QStringLiteral("addToAgentAction"), tr("Add to A&gent…"),
                              QKeySequence(), [this] { addSelectedToAgent(); });
    removeFromAgentAction_ =
        menu_.addForSelection(QStringLiteral("removeFromAgentAction"), tr("Remove from Agen&t"),
                              QKeySequence(), [this] { removeSelectedFromAgent(); });
    menu_.menu()->setToolTipsVisible(true);
    menu_.addSeparator();
    menu_.add(QStringLiteral("keysSearchAction"), tr("&Find Key"), Shortcuts::find(),
              [this] { focusSearch(); });
    menu_.add(QStringLiteral("rescanKeysAction"), tr("Re&scan Keys"), Shortcuts::rescan(),
              [this] { rescan(); });

    connect(&model_, &AppModel::tabChanged, this, &KeysScreen::updateShortcuts);
    connect(&model_, &AppModel::isLoadingChanged, this, &KeysScreen::updateShortcuts);
    connect(&model_, &AppModel::keysChanged, this, &KeysScreen::updateShortcuts);
    connect(&model_, &AppModel::agentChanged, this, &KeysScreen::updateShortcuts);
    connect(&state_, &ScreenState::selectedIdChanged, this, &KeysScreen::updateShortcuts);
    connect(&state_, &ScreenState::sheetChanged, this, &KeysScreen::showSheet);
    connect(&state_, &ScreenState::toDeleteChanged, this, &KeysScreen::showDeleteAlert);
    updateShortcuts();
    showSheet();
    showDeleteAlert();
    new AgentRefresh(model_, window_);
    new CertificateWatch(model_, this);
}

// A key whose protection is unknown offers no passphrase change, as its
// detail does not.
void KeysScreen::updateShortcuts() {
    const auto key = selectedKey();
    menu_.update(model_, key.has_value());
    if (key && !key->hasPassphrase)
        passphraseAction_->setEnabled(false);
    const auto offer = key ? AgentActions::forKey(*key, model_.agent()) : AgentActions::Offer{};
    addToAgentAction_->setEnabled(addToAgentAction_->isEnabled() && offer.canAdd);
    addToAgentAction_->setToolTip(offer.addTip);
    removeFromAgentAction_->setEnabled(removeFromAgentAction_->isEnabled() && offer.canRemove);
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

// A key that hosts use is refused by the store, whose message the window
// shows.
void KeysScreen::deleteSelected() {
    const auto& id = state_.selectedId();
    if (auto key = id ? model_.keyWithId(*id) : std::nullopt)
        state_.setToDelete(*key);
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
    dialogs_.showSheet<KeySheet, SSHKey>(
        state_, [this](const KeySheet& sheet) { return makeSheet(sheet); });
}

QFuture<void> KeysScreen::closedWhenDone(QFuture<void> done) {
    whenFinished(done, this, [this](const CallEnd& end) {
        if (end.succeeded)
            state_.setSheet(std::nullopt);
    });
    return done;
}

SheetDialog* KeysScreen::makeSheet(const KeySheet& sheet) {
    auto cancel = [this] { state_.setSheet(std::nullopt); };
    switch (sheet.kind) {
    case KeySheet::Kind::rename:
        return new KeyDialog(
            *sheet.item,
            [this](const SSHKey& renamed) {
                state_.setSheet(std::nullopt);
                model_.renameKey(renamed);
            },
            cancel, window_);
    case KeySheet::Kind::passphrase:
        return new PassphraseDialog(
            *sheet.item,
            [this](const ChangePassphraseOptions& options) {
                return closedWhenDone(model_.changePassphrase(options));
            },
            cancel, window_);
    case KeySheet::Kind::agentAdd:
        return new AgentAddDialog(
            *sheet.item,
            [this](const AgentAddOptions& options) {
                return closedWhenDone(model_.addKeyToAgent(options));
            },
            cancel, window_);
    case KeySheet::Kind::recreatePublic:
        return new RecreatePublicDialog(
            *sheet.item,
            [this](const RecreatePublicKeyOptions& options) {
                return closedWhenDone(model_.recreatePublicKey(options, ShownBy::caller));
            },
            cancel, window_);
    case KeySheet::Kind::generate:
        break;
    }
    return new GenerateKeyDialog(
        [this](const GenerateKeyOptions& options, const std::optional<std::string>& displayName) {
            QFuture<void> done = model_.generateKey(options, displayName);
            whenFinished(done, this, [this, before = model_.keys()](const CallEnd& end) {
                if (!end.succeeded)
                    return;
                state_.setSheet(std::nullopt);
                selectNewKey(before);
            });
            return done;
        },
        cancel, window_);
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

void KeysScreen::showDeleteAlert() {
    dialogs_.showDeleteAlert<KeySheet, SSHKey>(
        state_, window_, this,
        [](const SSHKey& key) {
            QStringList files;
            for (const std::string& file : filesOfKey(key))
                files << QString::fromStdString(file);
            ConfirmAlert alert = ConfirmAlert::deleting(
                QString::fromStdString(key.name),
                tr("This will permanently delete these files: %1.")
                    .arg(files.join(QStringLiteral(", "))),
                {QStringLiteral("deleteKeyAlert"), QStringLiteral("alertDeleteButton"),
                 QStringLiteral("alertCancelButton")});
            alert.redAction = true;
            return alert;
        },
        [this](const SSHKey& key) { return model_.deleteKey(key); });
}

} // namespace moorkeep
