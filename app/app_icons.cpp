#include "app_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <functional>

namespace moorkeep::AppIcons {

namespace {

// Drawings are made on a 16-unit grid and rendered at 32 pixels.
constexpr int grid = 16;
constexpr int pixels = 32;

QIcon drawn(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(double(pixels) / grid, double(pixels) / grid);
    QPen pen(QApplication::palette().color(QPalette::WindowText), 1.2);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    draw(painter);
    painter.end();
    return QIcon(pixmap);
}

QIcon themed(const QString& name, const std::function<void(QPainter&)>& draw) {
    return QIcon::fromTheme(name, drawn(draw));
}

} // namespace

QIcon sidebar() {
    return themed(QStringLiteral("sidebar-show"), [](QPainter& p) {
        p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
        p.drawLine(QPointF(6, 2.5), QPointF(6, 13.5));
        p.drawLine(QPointF(3, 5), QPointF(4.5, 5));
        p.drawLine(QPointF(3, 7), QPointF(4.5, 7));
    });
}

QIcon hosts() {
    return themed(QStringLiteral("network-server"), [](QPainter& p) {
        for (double y : {1.5, 6.0, 10.5}) {
            p.drawRoundedRect(QRectF(2, y, 12, 3.5), 1, 1);
            p.drawPoint(QPointF(4.5, y + 1.75));
        }
    });
}

QIcon keys() {
    return themed(QStringLiteral("dialog-password"), [](QPainter& p) {
        p.drawEllipse(QRectF(1.5, 4.5, 6, 6));
        QPainterPath shaft;
        shaft.moveTo(7.5, 7.5);
        shaft.lineTo(14.5, 7.5);
        shaft.moveTo(12.5, 7.5);
        shaft.lineTo(12.5, 10);
        shaft.moveTo(10.5, 7.5);
        shaft.lineTo(10.5, 9.5);
        p.drawPath(shaft);
    });
}

} // namespace moorkeep::AppIcons
