#pragma once

#include "placeholder_pane.h"

namespace moorkeep {

class AppModel;
struct KeysState;

// Placeholder for the Keys detail pane (the selected key) until the screen is built.
class KeysDetail : public PlaceholderPane {
    Q_OBJECT

public:
    KeysDetail(AppModel& model, KeysState& state, QWidget* parent = nullptr);

    KeysState& state() const { return state_; }

private:
    AppModel& model_;
    KeysState& state_;
};

} // namespace moorkeep
