#include "keys_menu.h"

#include "model/app_model.h"
#include "window/key_menu_items.h"

namespace moorkeep {

KeysMenu::KeysMenu(AppModel& model, QWidget* parent)
    : QMenu(tr("Copy Public Key &of"), parent)
    , model_(model) {
    setObjectName(QStringLiteral("keysMenu"));
    connect(&model_, &AppModel::keysChanged, this, &KeysMenu::rebuild);
    connect(&model_, &AppModel::agentChanged, this, &KeysMenu::rebuild);
    rebuild();
}

void KeysMenu::rebuild() {
    clear();
    KeyMenuItems::addTo(
        this, model_.keys(), KeyMenuItems::label,
        [this](const SSHKey& key) { model_.notify(KeyMenuItems::copiedMessage(key)); },
        model_.agent());
}

} // namespace moorkeep
