#include "badge_label.h"

#include "colors.h"

#include <QPainter>
#include <QPainterPath>

namespace moorkeep {

BadgeLabel::Look BadgeLabel::neutralLook(QMargins padding) {
    return {[] { return Colors::secondary(); },
            [] { return Colors::withOpacity(Colors::secondary(), Colors::tintOpacity); }, padding,
            false};
}

BadgeLabel::Look BadgeLabel::accentLook(QMargins padding) {
    return {[] { return Colors::accentOnTint(); },
            [] { return Colors::withOpacity(Colors::accent(), Colors::tintOpacity); }, padding,
            true};
}

BadgeLabel::Look BadgeLabel::positiveLook(QMargins padding) {
    return {[] { return Colors::onOwnTint(Colors::positive()); },
            [] { return Colors::withOpacity(Colors::positive(), Colors::tintOpacity); }, padding,
            true};
}

BadgeLabel::Look BadgeLabel::warningLook(QMargins padding) {
    return {[] { return Colors::onOwnTint(Colors::warning()); },
            [] { return Colors::withOpacity(Colors::warning(), Colors::tintOpacity); }, padding,
            false};
}

BadgeLabel::BadgeLabel(const QString& text, Look look, QWidget* parent)
    : QLabel(text, parent)
    , look_(std::move(look)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize BadgeLabel::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return text.grownBy(look_.padding);
}

QSize BadgeLabel::minimumSizeHint() const {
    return sizeHint();
}

void BadgeLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape(rect());
    const qreal radius = look_.capsule ? shape.height() / 2 : 4;
    QPainterPath path;
    path.addRoundedRect(shape, radius, radius);
    painter.fillPath(path, look_.fill());
    painter.setPen(look_.text());
    painter.setFont(font());
    painter.drawText(rect().marginsRemoved(look_.padding), Qt::AlignCenter, text());
}

} // namespace moorkeep
