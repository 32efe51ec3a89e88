#pragma once

#include "keys/key_detail_view.h"
#include "keys/keys_state.h"
#include "screen/detail_pane.h"

namespace moorkeep {

class AppModel;

// The Keys tab's detail pane: the selected key (looked up among all keys,
// so a key the search hides stays shown), or the empty state.
class KeysDetail : public DetailPane {
    Q_OBJECT

public:
    KeysDetail(AppModel& model, KeysState& state, QWidget* parent = nullptr);

    KeysState& state() const { return state_; }
    // The shown key's detail; null while the empty state shows.
    KeyDetailView* detailView() const { return detailView_; }

protected:
    // Without any keys, a note that none was found and a button that scans
    // ~/.ssh again.
    QWidget* makeEmptyState(bool anyKeys) override;

private:
    void refresh();
    void showAgent();

    AppModel& model_;
    KeysState& state_;
    QPointer<KeyDetailView> detailView_;
};

} // namespace moorkeep
