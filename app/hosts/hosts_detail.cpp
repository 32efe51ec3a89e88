#include "hosts/hosts_detail.h"

#include "app_model.h"
#include "hosts/hosts_state.h"

namespace moorkeep {

HostsDetail::HostsDetail(AppModel& model, HostsState& state, QWidget* parent)
    : PlaceholderPane(QStringLiteral("HostsDetail"), parent)
    , model_(model)
    , state_(state) {
    setObjectName(QStringLiteral("hostsDetail"));
    auto describe = [this] { setSummary(tr("Defaults: port %1").arg(model_.defaults().port)); };
    connect(&model_, &AppModel::defaultsChanged, this, describe);
    describe();
}

} // namespace moorkeep
