#include "keys/keys_detail.h"

#include "model/app_model.h"
#include "screen/empty_state.h"
#include "style/symbols.h"
#include "window/shortcuts.h"

#include <QLabel>
#include <QPushButton>

namespace moorkeep {

KeysDetail::KeysDetail(AppModel& model, KeysState& state, QWidget* parent)
    : DetailPane(QStringLiteral("keysDetail"), parent)
    , model_(model)
    , state_(state) {
    connect(&state_, &ScreenState::selectedIdChanged, this, &KeysDetail::refresh);
    connect(&model_, &AppModel::keysChanged, this, &KeysDetail::refresh);
    connect(&model_, &AppModel::hostsChanged, this, &KeysDetail::refresh);
    connect(&model_, &AppModel::agentChanged, this, &KeysDetail::showAgent);
    refresh();
}

QWidget* KeysDetail::makeEmptyState(bool anyKeys) {
    auto* empty = new EmptyState(QStringLiteral("key.fill"),
                                 anyKeys ? tr("Select a key") : tr("No keys found"),
                                 anyKeys ? tr("Choose a key in the sidebar, or generate a new one.")
                                         : tr("No SSH keys detected in ~/.ssh"));
    empty->setObjectName(QStringLiteral("emptyKeysState"));
    empty->title()->setObjectName(QStringLiteral("noKeysLabel"));
    empty->note()->setObjectName(QStringLiteral("emptyKeysNote"));
    if (!anyKeys) {
        auto* rescan =
            new QPushButton(Symbols::icon(QStringLiteral("arrow.clockwise")), tr("Rescan"));
        rescan->setObjectName(QStringLiteral("rescanButton"));
        rescan->setAccessibleName(tr("Rescan"));
        rescan->setToolTip(Shortcuts::tip(tr("Scan ~/.ssh again"), Shortcuts::rescan()));
        connect(rescan, &QPushButton::clicked, empty, [this] { model_.refreshKeys(); });
        empty->addButton(rescan);
    }
    return empty;
}

// Rebuilds only when what the pane shows changed, so that a copy button's
// "Copied" survives unrelated changes of the lists.
void KeysDetail::refresh() {
    const auto& id = state_.selectedId();
    const std::optional<SSHKey> key = id ? model_.keyWithId(*id) : std::nullopt;
    if (!key) {
        detailView_ = nullptr;
        showEmpty(!model_.keys().empty());
        return;
    }
    std::vector<SSHHost> usedBy = model_.hostsUsingKey(key->id);
    if (detailView_ && detailView_->keyInfo() == *key && detailView_->usedBy() == usedBy)
        return;
    const SSHKey shownKey = *key;
    detailView_ = new KeyDetailView(
        shownKey, std::move(usedBy),
        {.onRename = [this, shownKey] { state_.setSheet(KeySheet::rename(shownKey)); },
         .onChangePassphrase = [this,
                                shownKey] { state_.setSheet(KeySheet::passphrase(shownKey)); },
         .onDelete = [this, shownKey] { state_.setToDelete(shownKey); },
         .onAddToAgent = [this, shownKey] { state_.setSheet(KeySheet::agentAdd(shownKey)); },
         .onRemoveFromAgent = [this, shownKey] { model_.removeKeyFromAgent(shownKey); },
         // ssh-keygen -y reads an unprotected key alone; any other asks
         // for the passphrase first.
         .onRecreatePublicKey =
             [this, shownKey] {
                 if (shownKey.hasPassphrase == false)
                     model_.recreatePublicKey({shownKey.id, ""});
                 else
                     state_.setSheet(KeySheet::recreatePublic(shownKey));
             }});
    showAgent();
    showView(detailView_);
}

void KeysDetail::showAgent() {
    if (detailView_)
        detailView_->showAgent(AgentActions::forKey(detailView_->keyInfo(), model_.agent()));
}

} // namespace moorkeep
