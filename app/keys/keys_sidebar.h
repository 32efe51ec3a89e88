#pragma once

#include "keys/keys_state.h"
#include "screen/sidebar.h"

namespace moorkeep {

class AppModel;
class KeyListModel;

// The Keys tab's sidebar: the search box and the generate button, the list
// of keys that match the search, and the count of all keys.
class KeysSidebar : public Sidebar {
    Q_OBJECT

public:
    KeysSidebar(AppModel& model, KeysState& state, QWidget* parent = nullptr);

    KeysState& state() const { return state_; }

protected:
    int allEntries() const override;
    QString countText(int count, const QString& number) const override;

private:
    KeysSidebar(AppModel& model, KeysState& state, KeyListModel* listModel, QWidget* parent);
    void showHeldKeys();

    AppModel& model_;
    KeysState& state_;
    KeyListModel* listModel_;
};

} // namespace moorkeep
