#include "symbols.h"

#include "colors.h"
#include "symbol_drawings.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>

namespace moorkeep::Symbols {

namespace {

constexpr qreal grid = 16;

void paintSymbol(QPainter& painter, const Drawing& draw, const QRectF& rect, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(rect.width(), rect.height());
    painter.translate(rect.center() - QPointF(side / 2, side / 2));
    painter.scale(side / grid, side / grid);
    // Lines stay about 1.3 pixels wide at small sizes and thin out relative to
    // larger ones, so big symbols do not look bold.
    QPen pen(color, std::max(1.0, 1.3 * grid / side));
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(color);
    draw(painter);
    painter.restore();
}

// Paints the drawing afresh for every size and state, so icons stay sharp at
// any scale; without a colour of its own it follows the palette.
class SymbolEngine : public QIconEngine {
public:
    SymbolEngine(const Drawing& draw, std::optional<QColor> color)
        : draw_(draw)
        , color_(std::move(color)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor color = color_.value_or(Colors::primary());
        if (mode == QIcon::Disabled)
            color = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
        else if (mode == QIcon::Selected && !color_)
            color = QApplication::palette().color(QPalette::HighlightedText);
        paintSymbol(*painter, draw_, rect, color);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        pixmap.setDevicePixelRatio(scale);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new SymbolEngine(draw_, color_); }

private:
    Drawing draw_;
    std::optional<QColor> color_;
};

QIcon makeIcon(const QString& name, std::optional<QColor> color) {
    const Drawing* draw = drawing(name);
    if (!draw)
        return {};
    return QIcon(new SymbolEngine(*draw, std::move(color)));
}

} // namespace

QIcon icon(const QString& name) {
    return makeIcon(name, std::nullopt);
}

QIcon icon(const QString& name, const QColor& color) {
    return makeIcon(name, color);
}

QPixmap pixmap(const QString& name, const QColor& color, int pixels, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(pixels, pixels) * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    if (const Drawing* draw = drawing(name)) {
        QPainter painter(&pixmap);
        paintSymbol(painter, *draw, QRectF(0, 0, pixels, pixels), color);
    }
    return pixmap;
}

QStringList names() {
    return drawingNames();
}

bool has(const QString& name) {
    return drawing(name) != nullptr;
}

} // namespace moorkeep::Symbols
