#include "symbol_drawings.h"

#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <map>

namespace moorkeep::Symbols {

namespace {

void filled(QPainter& p, const QPainterPath& path) {
    p.save();
    p.setPen(Qt::NoPen);
    p.drawPath(path);
    p.restore();
}

void outline(QPainter& p, const QPainterPath& path) {
    p.save();
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.restore();
}

void line(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2) {
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void keyShape(QPainter& p, bool solid) {
    QPainterPath bow;
    bow.addEllipse(QRectF(1, 4.5, 7, 7));
    QPainterPath hole;
    hole.addEllipse(QRectF(3, 7, 2, 2));
    QPainterPath blade;
    blade.addRect(QRectF(7.5, 7, 7.5, 2));
    blade.addRect(QRectF(12, 8.5, 2, 3));
    blade.addRect(QRectF(9.5, 8.5, 1.6, 2.2));
    QPainterPath whole = bow.united(blade).subtracted(hole);
    if (solid)
        filled(p, whole);
    else
        outline(p, whole);
}

void padlock(QPainter& p, bool open) {
    QPainterPath shackle;
    if (open) {
        shackle.moveTo(11.5, 7);
        shackle.lineTo(11.5, 4.5);
        shackle.arcTo(QRectF(8, 1.5, 6, 6), 0, 180);
    } else {
        shackle.moveTo(4.5, 7);
        shackle.lineTo(4.5, 5);
        shackle.arcTo(QRectF(4.5, 1.5, 7, 7), 180, -180);
        shackle.lineTo(11.5, 7);
    }
    outline(p, shackle);
    QPainterPath body;
    body.addRoundedRect(QRectF(3, 7, 10, 7.5), 1.5, 1.5);
    if (open)
        outline(p, body);
    else
        filled(p, body);
}

void arrowHead(QPainter& p, QPointF tip, qreal dx) {
    line(p, tip.x(), tip.y(), tip.x() - dx, tip.y() - 2.2);
    line(p, tip.x(), tip.y(), tip.x() - dx, tip.y() + 2.2);
}

const std::map<QString, Drawing>& table() {
    static const std::map<QString, Drawing> drawings{
        {QStringLiteral("arrow.clockwise"),
         [](QPainter& p) {
             QPainterPath arc;
             arc.arcMoveTo(QRectF(2.5, 2.5, 11, 11), 60);
             arc.arcTo(QRectF(2.5, 2.5, 11, 11), 60, 300);
             outline(p, arc);
             line(p, 11, 3.2, 11.4, 0.8);
             line(p, 11, 3.2, 13.4, 3.6);
         }},
        {QStringLiteral("arrow.left.arrow.right"),
         [](QPainter& p) {
             line(p, 2, 5, 14, 5);
             arrowHead(p, QPointF(14, 5), 2.5);
             line(p, 2, 11, 14, 11);
             arrowHead(p, QPointF(2, 11), -2.5);
         }},
        {QStringLiteral("calendar"),
         [](QPainter& p) {
             QPainterPath frame;
             frame.addRoundedRect(QRectF(1.5, 2.5, 13, 12), 2, 2);
             outline(p, frame);
             line(p, 1.5, 6, 14.5, 6);
             line(p, 5, 1, 5, 4);
             line(p, 11, 1, 11, 4);
             for (qreal y : {8.5, 11.5})
                 for (qreal x : {4.5, 8.0, 11.5})
                     p.drawPoint(QPointF(x, y));
         }},
        {QStringLiteral("checkmark"),
         [](QPainter& p) {
             QPainterPath tick;
             tick.moveTo(2.5, 8.5);
             tick.lineTo(6.5, 12.5);
             tick.lineTo(13.5, 3.5);
             outline(p, tick);
         }},
        {QStringLiteral("chevron.down"),
         [](QPainter& p) {
             line(p, 3.5, 6, 8, 10.5);
             line(p, 8, 10.5, 12.5, 6);
         }},
        {QStringLiteral("chevron.right"),
         [](QPainter& p) {
             line(p, 6, 3.5, 10.5, 8);
             line(p, 10.5, 8, 6, 12.5);
         }},
        {QStringLiteral("doc.on.doc"),
         [](QPainter& p) {
             QPainterPath back;
             back.moveTo(4.5, 3.5);
             back.lineTo(4.5, 1.5);
             back.lineTo(13.5, 1.5);
             back.lineTo(13.5, 11.5);
             back.lineTo(11.5, 11.5);
             outline(p, back);
             QPainterPath front;
             front.addRoundedRect(QRectF(2.5, 4.5, 9, 10), 1, 1);
             outline(p, front);
         }},
        {QStringLiteral("doc.text"),
         [](QPainter& p) {
             QPainterPath page;
             page.moveTo(3, 1.5);
             page.lineTo(10, 1.5);
             page.lineTo(13, 4.5);
             page.lineTo(13, 14.5);
             page.lineTo(3, 14.5);
             page.closeSubpath();
             outline(p, page);
             for (qreal y : {7.0, 9.5, 12.0})
                 line(p, 5.5, y, 10.5, y);
         }},
        {QStringLiteral("folder"),
         [](QPainter& p) {
             QPainterPath folder;
             folder.moveTo(1.5, 3);
             folder.lineTo(6, 3);
             folder.lineTo(7.5, 4.5);
             folder.lineTo(14.5, 4.5);
             folder.lineTo(14.5, 13.5);
             folder.lineTo(1.5, 13.5);
             folder.closeSubpath();
             outline(p, folder);
             line(p, 1.5, 6.5, 14.5, 6.5);
         }},
        {QStringLiteral("globe"),
         [](QPainter& p) {
             p.save();
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
             p.drawEllipse(QRectF(5, 1.5, 6, 13));
             p.restore();
             line(p, 1.5, 8, 14.5, 8);
             line(p, 2.8, 4.8, 13.2, 4.8);
             line(p, 2.8, 11.2, 13.2, 11.2);
         }},
        {QStringLiteral("key.fill"), [](QPainter& p) { keyShape(p, true); }},
        {QStringLiteral("lock.fill"), [](QPainter& p) { padlock(p, false); }},
        {QStringLiteral("lock.open"), [](QPainter& p) { padlock(p, true); }},
        {QStringLiteral("magnifyingglass"),
         [](QPainter& p) {
             p.save();
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
             p.restore();
             QPen pen = p.pen();
             pen.setWidthF(pen.widthF() * 1.4);
             p.save();
             p.setPen(pen);
             line(p, 9.5, 9.5, 14, 14);
             p.restore();
         }},
        {QStringLiteral("number"),
         [](QPainter& p) {
             line(p, 6, 1.5, 4.5, 14.5);
             line(p, 11.5, 1.5, 10, 14.5);
             line(p, 2, 5.5, 14, 5.5);
             line(p, 2, 10.5, 14, 10.5);
         }},
        {QStringLiteral("pencil"),
         [](QPainter& p) {
             QPainterPath pencil;
             pencil.moveTo(2, 14);
             pencil.lineTo(2.8, 10.6);
             pencil.lineTo(11, 2.4);
             pencil.lineTo(13.6, 5);
             pencil.lineTo(5.4, 13.2);
             pencil.closeSubpath();
             outline(p, pencil);
             line(p, 9.4, 4, 12, 6.6);
         }},
        {QStringLiteral("person"),
         [](QPainter& p) {
             p.save();
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QRectF(5, 1.5, 6, 6));
             p.restore();
             QPainterPath shoulders;
             shoulders.moveTo(2, 14.5);
             shoulders.cubicTo(2, 9.5, 14, 9.5, 14, 14.5);
             outline(p, shoulders);
         }},
        {QStringLiteral("plus"),
         [](QPainter& p) {
             line(p, 8, 2.5, 8, 13.5);
             line(p, 2.5, 8, 13.5, 8);
         }},
        {QStringLiteral("server.rack"),
         [](QPainter& p) {
             for (qreal y : {1.5, 6.25, 11.0}) {
                 QPainterPath unit;
                 unit.addRoundedRect(QRectF(1.5, y, 13, 3.5), 1, 1);
                 outline(p, unit);
                 QPainterPath light;
                 light.addEllipse(QPointF(4.5, y + 1.75), 0.8, 0.8);
                 filled(p, light);
                 line(p, 8, y + 1.75, 12, y + 1.75);
             }
         }},
        {QStringLiteral("shield"),
         [](QPainter& p) {
             QPainterPath shield;
             shield.moveTo(8, 1.5);
             shield.lineTo(14, 3.5);
             shield.cubicTo(14, 9.5, 11.5, 12.5, 8, 14.5);
             shield.cubicTo(4.5, 12.5, 2, 9.5, 2, 3.5);
             shield.closeSubpath();
             outline(p, shield);
         }},
        {QStringLiteral("sidebar.leading"),
         [](QPainter& p) {
             QPainterPath frame;
             frame.addRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
             outline(p, frame);
             line(p, 6, 2.5, 6, 13.5);
             line(p, 3, 5, 4.5, 5);
             line(p, 3, 7, 4.5, 7);
         }},
        {QStringLiteral("slider.horizontal.3"),
         [](QPainter& p) {
             const qreal knobs[] = {10, 5, 8.5};
             const qreal rows[] = {3.5, 8, 12.5};
             for (int i = 0; i < 3; ++i) {
                 line(p, 1.5, rows[i], 14.5, rows[i]);
                 QPainterPath knob;
                 knob.addEllipse(QPointF(knobs[i], rows[i]), 1.8, 1.8);
                 filled(p, knob);
             }
         }},
        {QStringLiteral("terminal"),
         [](QPainter& p) {
             QPainterPath frame;
             frame.addRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
             outline(p, frame);
             QPainterPath prompt;
             prompt.moveTo(4, 6);
             prompt.lineTo(6.5, 8);
             prompt.lineTo(4, 10);
             outline(p, prompt);
             line(p, 8, 10.5, 11.5, 10.5);
         }},
        {QStringLiteral("touchid"),
         [](QPainter& p) {
             // A fingerprint: nested arcs around a short centre line.
             p.save();
             p.setBrush(Qt::NoBrush);
             for (qreal r : {6.5, 4.7, 2.9}) {
                 QPainterPath arc;
                 arc.arcMoveTo(QRectF(8 - r, 8.5 - r, 2 * r, 2 * r), 200);
                 arc.arcTo(QRectF(8 - r, 8.5 - r, 2 * r, 2 * r), 200, -220);
                 p.drawPath(arc);
             }
             p.restore();
             line(p, 8, 7.5, 8, 12);
         }},
        {QStringLiteral("trash"),
         [](QPainter& p) {
             line(p, 1.5, 3.5, 14.5, 3.5);
             QPainterPath lid;
             lid.moveTo(5.5, 3.5);
             lid.lineTo(6, 1.5);
             lid.lineTo(10, 1.5);
             lid.lineTo(10.5, 3.5);
             outline(p, lid);
             QPainterPath can;
             can.moveTo(3, 3.5);
             can.lineTo(4, 14.5);
             can.lineTo(12, 14.5);
             can.lineTo(13, 3.5);
             outline(p, can);
             line(p, 6.5, 6, 6.8, 12);
             line(p, 9.5, 6, 9.2, 12);
         }},
    };
    return drawings;
}

} // namespace

const Drawing* drawing(const QString& name) {
    const auto& drawings = table();
    const auto found = drawings.find(name);
    return found == drawings.end() ? nullptr : &found->second;
}

QStringList drawingNames() {
    QStringList names;
    for (const auto& [name, draw] : table())
        names << name;
    return names;
}

} // namespace moorkeep::Symbols
