#include "keys/keys_sidebar.h"

#include "app_model.h"
#include "keys/keys_state.h"

namespace moorkeep {

KeysSidebar::KeysSidebar(AppModel& model, KeysState& state, QWidget* parent)
    : PlaceholderPane(QStringLiteral("KeysSidebar"), parent)
    , model_(model)
    , state_(state) {
    setObjectName(QStringLiteral("keysSidebar"));
    auto count = [this] { setSummary(tr("%n key(s)", nullptr, int(model_.keys().size()))); };
    connect(&model_, &AppModel::keysChanged, this, count);
    count();
}

} // namespace moorkeep
