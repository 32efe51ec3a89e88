#include "hosts/hosts_sidebar.h"

#include "app_model.h"
#include "hosts/hosts_state.h"

namespace moorkeep {

HostsSidebar::HostsSidebar(AppModel& model, HostsState& state, QWidget* parent)
    : PlaceholderPane(QStringLiteral("HostsSidebar"), parent)
    , model_(model)
    , state_(state) {
    setObjectName(QStringLiteral("hostsSidebar"));
    auto count = [this] { setSummary(tr("%n host(s)", nullptr, int(model_.hosts().size()))); };
    connect(&model_, &AppModel::hostsChanged, this, count);
    count();
}

} // namespace moorkeep
