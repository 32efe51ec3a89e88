#include "keys/keys_state.h"

namespace moorkeep {

void KeysState::setSelectedId(std::optional<std::string> id) {
    if (selectedId_ == id)
        return;
    selectedId_ = std::move(id);
    emit selectedIdChanged();
}

void KeysState::setSearch(const QString& search) {
    if (search_ == search)
        return;
    search_ = search;
    emit searchChanged();
}

void KeysState::setSheet(std::optional<KeySheet> sheet) {
    if (sheet_ == sheet)
        return;
    sheet_ = std::move(sheet);
    emit sheetChanged();
}

void KeysState::setKeyToDelete(std::optional<SSHKey> key) {
    if (keyToDelete_ == key)
        return;
    keyToDelete_ = std::move(key);
    emit keyToDeleteChanged();
}

} // namespace moorkeep
