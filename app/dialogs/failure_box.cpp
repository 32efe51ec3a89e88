#include "failure_box.h"

#include "style/colors.h"
#include "style/type_ramp.h"

#include <QPainter>
#include <QPainterPath>

namespace moorkeep {

FailureBox::FailureBox(QWidget* parent)
    : QLabel(parent) {
    setObjectName(QStringLiteral("failureLabel"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFont(TypeRamp::font(TypeRamp::Style::callout));
    setContentsMargins(10, 10, 10, 10);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Colors::destructive());
    setPalette(palette);
    hide();
}

void FailureBox::setMessage(const std::optional<QString>& message) {
    setText(message.value_or(QString()));
    setAccessibleName(message.value_or(QString()));
    setVisible(message.has_value());
    // The dialog grows or shrinks with the box rather than squeezing its
    // fields into the height it had.
    if (QWidget* dialog = window(); dialog != this && dialog->isVisible())
        dialog->adjustSize();
}

void FailureBox::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(path, Colors::withOpacity(Colors::destructive(), 0.08));
    }
    QLabel::paintEvent(event);
}

} // namespace moorkeep
