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
    QPainterPath tile;
    tile.addRoundedRect(QRectF(rect()), look_.radius, look_.radius);
    painter.fillPath(tile, Colors::withOpacity(Colors::accent(), look_.fillOpacity));
    const int offset = (look_.side - look_.symbolSize) / 2;
    painter.drawPixmap(
        offset, offset,
        Symbols::pixmap(symbol_, Colors::accent(), look_.symbolSize, devicePixelRatioF()));
}

} // namespace moorkeep
