#pragma once

#include "placeholder_pane.h"

namespace moorkeep {

class AppModel;
struct HostsState;

// Placeholder for the Hosts detail pane (the selected host) until the screen is built.
class HostsDetail : public PlaceholderPane {
    Q_OBJECT

public:
    HostsDetail(AppModel& model, HostsState& state, QWidget* parent = nullptr);

    HostsState& state() const { return state_; }

private:
    AppModel& model_;
    HostsState& state_;
};

} // namespace moorkeep
