#include "caption_label.h"

#include "colors.h"
#include "type_ramp.h"

#include <QEvent>

namespace moorkeep {

CaptionLabel::CaptionLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setFont(captionFont());
    setTextFormat(Qt::PlainText);
    applyColor();
}

QFont CaptionLabel::captionFont() {
    return TypeRamp::spaced(TypeRamp::font(TypeRamp::Style::caption2, QFont::DemiBold));
}

void CaptionLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyColor();
}

void CaptionLabel::applyColor() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Colors::secondary());
    setPalette(palette);
}

} // namespace moorkeep
