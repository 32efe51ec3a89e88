#include "hosts/empty_hosts_state.h"

#include "style/colors.h"
#include "style/symbol_label.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QVBoxLayout>

namespace moorkeep {

EmptyHostsState::EmptyHostsState(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("emptyHostsState"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(
        new SymbolLabel(QStringLiteral("server.rack"), 32, [] { return Colors::tertiary(); }), 0,
        Qt::AlignHCenter);
    auto* title = new TintedLabel(tr("No host selected"), TypeRamp::font(TypeRamp::Style::headline),
                                  [] { return Colors::secondary(); });
    title->setObjectName(QStringLiteral("emptyHostsTitle"));
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(new TintedLabel(tr("Select a host from the sidebar, or add a new one."),
                                      TypeRamp::font(TypeRamp::Style::caption),
                                      [] { return Colors::tertiary(); }),
                      0, Qt::AlignHCenter);
    layout->addStretch();
}

} // namespace moorkeep
