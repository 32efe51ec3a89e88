#include "keys_menu.h"

#include "app_model.h"
#include "key_menu_items.h"

namespace moorkeep {

KeysMenu::KeysMenu(const AppModel& model, QWidget* parent)
    : QMenu(tr("&Keys"), parent)
    , model_(model) {
    setObjectName(QStringLiteral("keysMenu"));
    connect(&model_, &AppModel::keysChanged, this, &KeysMenu::rebuild);
    rebuild();
}

void KeysMenu::rebuild() {
    clear();
    KeyMenuItems::addTo(this, model_.keys());
}

} // namespace moorkeep
