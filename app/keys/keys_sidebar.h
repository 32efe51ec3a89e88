#pragma once

#include "placeholder_pane.h"

namespace moorkeep {

class AppModel;
struct KeysState;

// Placeholder for the Keys sidebar (searchable key list) until the screen is built.
class KeysSidebar : public PlaceholderPane {
    Q_OBJECT

public:
    KeysSidebar(AppModel& model, KeysState& state, QWidget* parent = nullptr);

    KeysState& state() const { return state_; }

private:
    AppModel& model_;
    KeysState& state_;
};

} // namespace moorkeep
