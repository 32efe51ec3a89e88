#pragma once

#include "placeholder_pane.h"

namespace moorkeep {

class AppModel;
struct HostsState;

// Placeholder for the Hosts sidebar (searchable host list) until the screen is built.
class HostsSidebar : public PlaceholderPane {
    Q_OBJECT

public:
    HostsSidebar(AppModel& model, HostsState& state, QWidget* parent = nullptr);

    HostsState& state() const { return state_; }

private:
    AppModel& model_;
    HostsState& state_;
};

} // namespace moorkeep
