#include "colors.h"

#include <QApplication>
#include <QPalette>

namespace moorkeep::Colors {

namespace {

QPalette palette() {
    return QApplication::palette();
}

bool isDark() {
    return palette().color(QPalette::Window).lightnessF() < 0.5;
}

// Text colours a step and two steps closer to the background than the text.
QColor faded(qreal amount) {
    const QColor text = palette().color(QPalette::WindowText);
    const QColor back = palette().color(QPalette::Window);
    return QColor::fromRgbF(float(text.redF() + (back.redF() - text.redF()) * amount),
                            float(text.greenF() + (back.greenF() - text.greenF()) * amount),
                            float(text.blueF() + (back.blueF() - text.blueF()) * amount));
}

} // namespace

QColor accent() {
    return palette().color(QPalette::Highlight);
}

QColor primary() {
    return palette().color(QPalette::WindowText);
}

QColor secondary() {
    return faded(0.4);
}

QColor tertiary() {
    return faded(0.6);
}

QColor controlBackground() {
    return palette().color(QPalette::Base);
}

QColor windowBackground() {
    return palette().color(QPalette::Window);
}

QColor positive() {
    return isDark() ? QColor(0x4c, 0xd9, 0x64) : QColor(0x1f, 0x9d, 0x3a);
}

// Amber, darker on light backgrounds so that text in it stays readable.
QColor warning() {
    return isDark() ? QColor(0xff, 0xc2, 0x4d) : QColor(0x9a, 0x5b, 0x00);
}

QColor destructive() {
    return isDark() ? QColor(0xff, 0x6b, 0x60) : QColor(0xd7, 0x26, 0x1e);
}

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

} // namespace moorkeep::Colors
