#include "keys/detail_card.h"

#include "style/caption_label.h"
#include "style/colors.h"
#include "style/selectable_text.h"
#include "style/symbol_label.h"
#include "style/type_ramp.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace moorkeep {

DetailCard::DetailCard(const QString& icon, const QString& label, const QString& value, bool mono,
                       QWidget* parent)
    : CardFrame(parent)
    , value_(new SelectableText(value,
                                mono ? TypeRamp::monospaced(TypeRamp::Style::caption, QFont::Medium)
                                     : TypeRamp::sized(13, QFont::DemiBold),
                                [] { return Colors::primary(); })) {
    value_->setAccessibleName(label);
    auto* layout = cardLayout(this);
    layout->addWidget(headRow(icon, label));
    layout->addWidget(value_);
    layout->addStretch();
}

QWidget* DetailCard::headRow(const QString& icon, const QString& label) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(new SymbolLabel(icon, 11, [] { return Colors::secondary(); }));
    layout->addWidget(new CaptionLabel(label));
    layout->addStretch();
    return row;
}

QVBoxLayout* DetailCard::cardLayout(CardFrame* card) {
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    return layout;
}

} // namespace moorkeep
