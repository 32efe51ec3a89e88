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

HostDetailCard::HostDetailCard(const QString& icon, const QString& label, QWidget* parent)
    : CardFrame(parent)
    , layout_(new QVBoxLayout(this))
    , valueRow_(new QHBoxLayout) {
    setAccessibleName(label);
    auto secondary = [] { return Colors::secondary(); };
    auto* head = new QHBoxLayout;
    head->setSpacing(5);
    head->addWidget(new SymbolLabel(icon, 11, secondary));
    head->addWidget(new CaptionLabel(label));
    head->addStretch();

    valueRow_->setSpacing(6);
    // Long values end in "…" with the whole in the tooltip; screen readers
    // hear the caption as the name and the whole value.
    value_ = new ElidedLabel(QString(), TypeRamp::sized(13, QFont::DemiBold),
                             [] { return Colors::primary(); });
    value_->setObjectName(QStringLiteral("cardValue"));
    value_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value_->setAccessibleName(label);
    valueRow_->addWidget(value_);
    valueRow_->addStretch();

    layout_->setContentsMargins(14, 14, 14, 14);
    layout_->setSpacing(6);
    layout_->addLayout(head);
    layout_->addLayout(valueRow_);
}

void HostDetailCard::setValue(const QString& value, const std::optional<QString>& badge,
                              const QString& warning) {
    value_->setFullText(value);
    setBadge(badge);
    setWarning(warning);
}

void HostDetailCard::setBadge(const std::optional<QString>& badge) {
    if (!badge) {
        delete badge_;
        badge_ = nullptr;
        return;
    }
    if (!badge_) {
        badge_ = new BadgeLabel(QString(), BadgeLabel::neutralLook({5, 1, 5, 1}));
        badge_->setObjectName(QStringLiteral("cardBadge"));
        badge_->setFont(TypeRamp::font(TypeRamp::Style::caption2));
        valueRow_->insertWidget(1, badge_);
        // Read before the warning.
        if (warningBadge_)
            badge_->stackUnder(warningBadge_);
    }
    badge_->setText(*badge);
}

void HostDetailCard::setWarning(const QString& warning) {
    if (warning.isEmpty()) {
        delete warningBadge_;
        delete warning_;
        warningBadge_ = nullptr;
        warning_ = nullptr;
        return;
    }
    if (!warning_) {
        warningBadge_ = new BadgeLabel(tr("Ignored line"), BadgeLabel::warningLook({5, 1, 5, 1}));
        warningBadge_->setObjectName(QStringLiteral("shadowBadge"));
        warningBadge_->setFont(TypeRamp::font(TypeRamp::Style::caption2));
        warning_ = new TintedLabel(QString(), TypeRamp::font(TypeRamp::Style::caption),
                                   [] { return Colors::warning(); });
        warning_->setObjectName(QStringLiteral("shadowNote"));
        warning_->setWordWrap(true);
        warning_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout_->addWidget(warningBadge_);
        layout_->addWidget(warning_);
    }
    warning_->setText(warning);
    warning_->setAccessibleName(warning);
}

} // namespace moorkeep
