#pragma once

#include "keys/key_detail_view.h"

#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

namespace moorkeep {

class AppModel;
class KeysState;

// The Keys tab's detail pane: the selected key (looked up among all keys,
// so a key the search hides stays shown), or the empty state.
class KeysDetail : public QWidget {
    Q_OBJECT

public:
    KeysDetail(AppModel& model, KeysState& state, QWidget* parent = nullptr);

    KeysState& state() const { return state_; }
    // The shown key's detail; null while the empty state shows.
    KeyDetailView* detailView() const { return detailView_; }

private:
    void refresh();
    void showAgent();

    AppModel& model_;
    KeysState& state_;
    QWidget* shown_ = nullptr;
    QPointer<KeyDetailView> detailView_;
    bool shownAnyKeys_ = false;
};

} // namespace moorkeep
