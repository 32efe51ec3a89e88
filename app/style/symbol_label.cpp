#include "symbol_label.h"

#include "symbols.h"

#include <QEvent>

namespace moorkeep {

SymbolLabel::SymbolLabel(const QString& symbol, int pixels, std::function<QColor()> color,
                         QWidget* parent)
    : QLabel(parent)
    , symbol_(symbol)
    , pixels_(pixels)
    , color_(std::move(color)) {
    setFixedSize(pixels, pixels);
    render();
}

void SymbolLabel::setSymbol(const QString& symbol, std::function<QColor()> color) {
    symbol_ = symbol;
    color_ = std::move(color);
    render();
}

void SymbolLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        render();
    QLabel::changeEvent(event);
}

void SymbolLabel::render() {
    setPixmap(Symbols::pixmap(symbol_, color_(), pixels_, devicePixelRatioF()));
}

} // namespace moorkeep
