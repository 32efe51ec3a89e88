#include "hosts/host_detail_card.h"

#include "style/badge_label.h"
#include "style/caption_label.h"
#include "style/colors.h"
#include "style/elided_label.h"
#include "style/symbol_label.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace moorkeep {

HostDetailCard::HostDetailCard(const QString& icon, const QString& label, const QString& value,
                               const std::optional<QString>& badge, const QString& warning,
                               QWidget* parent)
    : CardFrame(parent) {
    setAccessibleName(label);
    auto secondary = [] { return Colors::secondary(); };
    auto* head = new QHBoxLayout;
    head->setSpacing(5);
    head->addWidget(new SymbolLabel(icon, 11, secondary));
    head->addWidget(new CaptionLabel(label));
    head->addStretch();

    auto* valueRow = new QHBoxLayout;
    valueRow->setSpacing(6);
    // Long values end in "…" with the whole in the tooltip; screen readers
    // hear the caption as the name and the whole value.
    auto* valueLabel = new ElidedLabel(value, TypeRamp::sized(13, QFont::DemiBold),
                                       [] { return Colors::primary(); });
    valueLabel->setObjectName(QStringLiteral("cardValue"));
    valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    valueLabel->setAccessibleName(label);
    valueRow->addWidget(valueLabel);
    if (badge) {
        auto* badgeLabel = new BadgeLabel(*badge, BadgeLabel::neutralLook({5, 1, 5, 1}));
        badgeLabel->setObjectName(QStringLiteral("cardBadge"));
        badgeLabel->setFont(TypeRamp::font(TypeRamp::Style::caption2));
        valueRow->addWidget(badgeLabel);
    }
    valueRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(6);
    layout->addLayout(head);
    layout->addLayout(valueRow);
    if (!warning.isEmpty()) {
        auto* badgeLabel =
            new BadgeLabel(tr("Ignored line"), BadgeLabel::warningLook({5, 1, 5, 1}));
        badgeLabel->setObjectName(QStringLiteral("shadowBadge"));
        badgeLabel->setFont(TypeRamp::font(TypeRamp::Style::caption2));
        auto* note = new TintedLabel(warning, TypeRamp::font(TypeRamp::Style::caption),
                                     [] { return Colors::warning(); });
        note->setObjectName(QStringLiteral("shadowNote"));
        note->setWordWrap(true);
        note->setTextInteractionFlags(Qt::TextSelectableByMouse);
        note->setAccessibleName(warning);
        layout->addWidget(badgeLabel);
        layout->addWidget(note);
    }
}

} // namespace moorkeep
