#include "keys/keys_detail.h"

#include "app_model.h"
#include "keys/keys_state.h"

#include <algorithm>

namespace moorkeep {

KeysDetail::KeysDetail(AppModel& model, KeysState& state, QWidget* parent)
    : PlaceholderPane(QStringLiteral("KeysDetail"), parent)
    , model_(model)
    , state_(state) {
    setObjectName(QStringLiteral("keysDetail"));
    auto describe = [this] {
        const auto& keys = model_.keys();
        auto protectedKeys = std::count_if(keys.begin(), keys.end(), [](const SSHKey& key) {
            return key.hasPassphrase.value_or(false);
        });
        setSummary(tr("%n key(s) with a passphrase", nullptr, int(protectedKeys)));
    };
    connect(&model_, &AppModel::keysChanged, this, describe);
    describe();
}

} // namespace moorkeep
