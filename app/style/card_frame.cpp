#include "card_frame.h"

#include "colors.h"

#include <QPainter>
#include <QPainterPath>

namespace moorkeep {

CardFrame::CardFrame(QWidget* parent)
    : CardFrame(cardLook(), parent) {}

CardFrame::CardFrame(Look look, QWidget* parent)
    : QFrame(parent)
    , look_(std::move(look)) {
    setFrameShape(QFrame::NoFrame);
}

CardFrame::Look CardFrame::cardLook() {
    return {[] { return Colors::controlBackground(); },
            [] { return Colors::withOpacity(Colors::secondary(), 0.15); }, 10};
}

CardFrame::Look CardFrame::accentLook() {
    return {[] { return Colors::withOpacity(Colors::accent(), 0.04); },
            [] { return Colors::withOpacity(Colors::accent(), 0.20); }, 10};
}

void CardFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!look_.edge) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), look_.radius, look_.radius);
        painter.fillPath(path, look_.fill());
        return;
    }
    // The edge is drawn inside the shape: inset by half the line's width.
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(shape, look_.radius, look_.radius);
    painter.fillPath(path, look_.fill());
    painter.setPen(QPen(look_.edge(), 1));
    painter.drawPath(path);
}

} // namespace moorkeep
