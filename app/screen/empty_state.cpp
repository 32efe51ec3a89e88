#include "empty_state.h"

#include "style/colors.h"
#include "style/symbol_label.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QVBoxLayout>

namespace moorkeep {

EmptyState::EmptyState(const QString& symbol, const QString& title, const QString& note,
                       QWidget* parent)
    : QWidget(parent)
    , title_(new TintedLabel(title, TypeRamp::font(TypeRamp::Style::headline), Colors::secondary))
    , note_(new TintedLabel(note, TypeRamp::font(TypeRamp::Style::caption), Colors::tertiary)) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addStretch();
    layout->addWidget(new SymbolLabel(symbol, 32, Colors::tertiary), 0, Qt::AlignHCenter);
    layout->addWidget(title_, 0, Qt::AlignHCenter);
    layout->addWidget(note_, 0, Qt::AlignHCenter);
    layout->addStretch();
}

void EmptyState::addButton(QWidget* button) {
    auto* column = static_cast<QVBoxLayout*>(layout());
    // Above the closing stretch.
    const int at = column->count() - 1;
    column->insertSpacing(at, 4);
    column->insertWidget(at + 1, button, 0, Qt::AlignHCenter);
}

} // namespace moorkeep
