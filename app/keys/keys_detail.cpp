#include "keys/keys_detail.h"

#include "app_model.h"
#include "keys/empty_keys_state.h"
#include "keys/key_detail_view.h"
#include "keys/keys_state.h"

#include <QVBoxLayout>

namespace moorkeep {

KeysDetail::KeysDetail(AppModel& model, KeysState& state, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , state_(state) {
    setObjectName(QStringLiteral("keysDetail"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    connect(&state_, &KeysState::selectedIdChanged, this, &KeysDetail::refresh);
    connect(&model_, &AppModel::keysChanged, this, &KeysDetail::refresh);
    connect(&model_, &AppModel::hostsChanged, this, &KeysDetail::refresh);
    connect(&model_, &AppModel::agentChanged, this, &KeysDetail::showAgent);
    refresh();
}

// Rebuilds only when what the pane shows changed, so that a copy button's
// "Copied" survives unrelated changes of the lists.
void KeysDetail::refresh() {
    std::optional<SSHKey> key;
    if (const auto& id = state_.selectedId())
        key = model_.keyWithId(*id);
    std::vector<SSHHost> usedBy;
    if (key)
        usedBy = model_.hostsUsingKey(key->id);

    if (key && detailView_ && detailView_->keyInfo() == *key && detailView_->usedBy() == usedBy)
        return;
    const bool anyKeys = !model_.keys().empty();
    if (!key && shown_ && !detailView_ && shownAnyKeys_ == anyKeys)
        return;

    QWidget* next = nullptr;
    if (key) {
        const SSHKey shownKey = *key;
        detailView_ = new KeyDetailView(
            shownKey, std::move(usedBy),
            {.onRename = [this, shownKey] { state_.setSheet(KeySheet::rename(shownKey)); },
             .onChangePassphrase = [this,
                                    shownKey] { state_.setSheet(KeySheet::passphrase(shownKey)); },
             .onDelete = [this, shownKey] { state_.setKeyToDelete(shownKey); },
             .onAddToAgent = [this, shownKey] { state_.setSheet(KeySheet::agentAdd(shownKey)); },
             .onRemoveFromAgent = [this, shownKey] { model_.removeKeyFromAgent(shownKey); }});
        showAgent();
        next = detailView_;
    } else {
        detailView_ = nullptr;
        next = new EmptyKeysState(model_, anyKeys);
        shownAnyKeys_ = anyKeys;
    }
    if (shown_) {
        // Out of the window at once (tests and screen readers see only the
        // new pane); deleted later, as a click of its own may have led here.
        layout()->removeWidget(shown_);
        shown_->setParent(nullptr);
        shown_->deleteLater();
    }
    layout()->addWidget(next);
    shown_ = next;
}

void KeysDetail::showAgent() {
    if (detailView_)
        detailView_->showAgent(AgentActions::forKey(detailView_->keyInfo(), model_.agent()));
}

} // namespace moorkeep
