#include "icon_tile.h"

#include "colors.h"
#include "symbols.h"

#include <QPainter>
#include <QPainterPath>

namespace moorkeep {

IconTile::IconTile(const QString& symbol, Look look, QWidget* parent)
    : QWidget(parent)
    , symbol_(symbol)
    , look_(look) {
    setFixedSize(look.side, look.side);
}

QSize IconTile::sizeHint() const {
    return {look_.side, look_.side};
}

void IconTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, rect(), symbol_, look_, Colors::accent(), look_.fillOpacity);
}

void IconTile::paint(QPainter& painter, const QRect& tile, const QString& symbol, Look look,
                     const QColor& color, qreal fillOpacity) {
    QPainterPath path;
    path.addRoundedRect(QRectF(tile), look.radius, look.radius);
    const QColor fill = Colors::withOpacity(color, fillOpacity);
    painter.fillPath(path, fill);
    // A dark accent on a dark window would all but vanish.
    const QColor symbolColor = Colors::readableOn(
        color, Colors::over(fill, Colors::windowBackground()), Colors::symbolContrast);
    const int inset = (look.side - look.symbolSize) / 2;
    painter.drawPixmap(tile.topLeft() + QPoint(inset, inset),
                       Symbols::pixmap(symbol, symbolColor, look.symbolSize,
                                       painter.device()->devicePixelRatioF()));
}

} // namespace moorkeep
