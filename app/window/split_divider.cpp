#include "split_divider.h"

#include <QMouseEvent>
#include <QPainter>

namespace moorkeep {

SplitDivider::SplitDivider(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("splitDivider"));
    setCursor(Qt::SplitHCursor);
    setFixedWidth(grabWidth);
}

void SplitDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(grabWidth / 2, 0, 1, height(), palette().color(QPalette::Mid));
}

void SplitDivider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    dragging_ = true;
}

void SplitDivider::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return QWidget::mouseMoveEvent(event);
    emit dragged(mapToParent(event->position().toPoint()).x());
}

void SplitDivider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

} // namespace moorkeep
