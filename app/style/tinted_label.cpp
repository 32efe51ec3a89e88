#include "tinted_label.h"

#include <QEvent>

namespace moorkeep {

TintedLabel::TintedLabel(const QString& text, const QFont& font, std::function<QColor()> color,
                         QWidget* parent)
    : QLabel(text, parent)
    , color_(std::move(color)) {
    setFont(font);
    setTextFormat(Qt::PlainText);
    applyColor();
}

void TintedLabel::setColor(std::function<QColor()> color) {
    color_ = std::move(color);
    applyColor();
}

void TintedLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && !applying_)
        applyColor();
    QLabel::changeEvent(event);
}

void TintedLabel::applyColor() {
    applying_ = true;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color_());
    setPalette(palette);
    applying_ = false;
}

} // namespace moorkeep
