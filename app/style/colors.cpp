#include "colors.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

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

qreal luminance(const QColor& color) {
    auto linear = [](float channel) {
        return channel <= 0.04045f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

QColor mix(const QColor& from, const QColor& to, qreal amount) {
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * amount),
                            float(from.greenF() + (to.greenF() - from.greenF()) * amount),
                            float(from.blueF() + (to.blueF() - from.blueF()) * amount),
                            from.alphaF());
}

// color, moved as little as needed to be readable on its own tint (which
// moves with it) over both the window and the cards.
QColor readableOnTint(const QColor& color, qreal ratio) {
    const QColor target =
        luminance(windowBackground()) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
    constexpr int steps = 20;
    for (int step = 0; step < steps; ++step) {
        const QColor moved = mix(color, target, qreal(step) / steps);
        const QColor tint = withOpacity(moved, tintOpacity);
        if (contrast(moved, over(tint, windowBackground())) >= ratio &&
            contrast(moved, over(tint, controlBackground())) >= ratio)
            return moved;
    }
    return target;
}

} // namespace

QColor accent() {
    return palette().color(QPalette::Highlight);
}

QColor accentOnTint() {
    return onOwnTint(accent());
}

QColor onOwnTint(const QColor& color) {
    return readableOnTint(color, textContrast);
}

QColor primary() {
    return palette().color(QPalette::WindowText);
}

QColor secondary() {
    return readableOnTint(faded(0.4), textContrast);
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

QColor over(const QColor& top, const QColor& bottom) {
    QColor opaque = mix(bottom, top, top.alphaF());
    opaque.setAlphaF(1);
    return opaque;
}

qreal contrast(const QColor& first, const QColor& second) {
    // The list form returns values; the two-argument one, references to the
    // temporaries.
    const auto [darker, lighter] = std::minmax({luminance(first), luminance(second)});
    return (lighter + 0.05) / (darker + 0.05);
}

QColor readableOn(const QColor& color, const QColor& background, qreal ratio) {
    const QColor target = luminance(background) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
    constexpr int steps = 20;
    for (int step = 0; step < steps; ++step) {
        const QColor moved = mix(color, target, qreal(step) / steps);
        if (contrast(moved, background) >= ratio)
            return moved;
    }
    return target;
}

} // namespace moorkeep::Colors
