#include "selectable_text.h"

#include <QEvent>
#include <QTextDocument>

namespace moorkeep {

SelectableText::SelectableText(const QString& text, const QFont& font,
                               std::function<QColor()> color, QWidget* parent)
    : QTextEdit(parent)
    , color_(std::move(color)) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFont(font);
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setPlainText(text);
    applyColor();
}

int SelectableText::heightForWidth(int width) const {
    if (width == measuredWidth_)
        return measuredHeight_;
    QTextDocument measure;
    measure.setDocumentMargin(0);
    measure.setDefaultFont(font());
    measure.setDefaultTextOption(document()->defaultTextOption());
    measure.setPlainText(toPlainText());
    measure.setTextWidth(std::max(1, width));
    measuredWidth_ = width;
    measuredHeight_ = int(std::ceil(measure.size().height()));
    return measuredHeight_;
}

QSize SelectableText::sizeHint() const {
    const int width = std::max(120, this->width());
    return {width, heightForWidth(width)};
}

QSize SelectableText::minimumSizeHint() const {
    return {60, fontMetrics().height()};
}

void SelectableText::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    const int height = heightForWidth(viewport()->width());
    if (minimumHeight() != height)
        setFixedHeight(height);
}

void SelectableText::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyColor();
    if (event->type() == QEvent::FontChange)
        measuredWidth_ = -1;
}

void SelectableText::applyColor() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Text, color_());
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
}

} // namespace moorkeep
