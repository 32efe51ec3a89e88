#include "hosts/empty_hosts_state.h"

#include "shortcuts.h"
#include "style/colors.h"
#include "style/symbol_label.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QVBoxLayout>

namespace moorkeep {

EmptyHostsState::EmptyHostsState(bool anyHosts, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("emptyHostsState"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(
        new SymbolLabel(QStringLiteral("server.rack"), 32, [] { return Colors::tertiary(); }), 0,
        Qt::AlignHCenter);
    auto* title = new TintedLabel(anyHosts ? tr("Select a host") : tr("No hosts yet"),
                                  TypeRamp::font(TypeRamp::Style::headline),
                                  [] { return Colors::secondary(); });
    title->setObjectName(QStringLiteral("emptyHostsTitle"));
    layout->addWidget(title, 0, Qt::AlignHCenter);
    auto* note = new TintedLabel(
        anyHosts ? tr("Choose a host in the sidebar, or add a new one.")
                 : tr("Add one with the + button (%1).")
                       .arg(Shortcuts::add().toString(QKeySequence::NativeText)),
        TypeRamp::font(TypeRamp::Style::caption), [] { return Colors::tertiary(); });
    note->setObjectName(QStringLiteral("emptyHostsNote"));
    layout->addWidget(note, 0, Qt::AlignHCenter);
    layout->addStretch();
}

} // namespace moorkeep
