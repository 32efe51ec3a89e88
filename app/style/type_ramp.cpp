#include "type_ramp.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

namespace moorkeep::TypeRamp {

namespace {

int bodyPixels() {
    // Desktop fonts are usually given in points; the ramp works in pixels.
    const int pixels = QFontInfo(QApplication::font()).pixelSize();
    return pixels > 0 ? pixels : 13;
}

QFont withSize(QFont font, int pixels, QFont::Weight weight) {
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

// Judged by the glyphs, not by the font's fixed-pitch flag, which some
// monospaced faces (Noto Sans Mono) do not carry.
bool isMonospaced(const QFont& font) {
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(QStringLiteral("iiii")) ==
           metrics.horizontalAdvance(QStringLiteral("MMMM"));
}

// The desktop's fixed-width font, or, where that is not monospaced (a
// fontconfig that maps "monospace" to a proportional face), the first family
// the font database calls fixed-pitch that is.
QFont fixedFont() {
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (isMonospaced(system))
        return system;
    for (const QString& family : QFontDatabase::families()) {
        QFont candidate(family);
        candidate.setStyleHint(QFont::TypeWriter);
        if (QFontDatabase::isFixedPitch(family) && isMonospaced(candidate))
            return candidate;
    }
    return system;
}

} // namespace

int pixelSize(Style style) {
    const int body = bodyPixels();
    switch (style) {
    case Style::caption2:
        return std::max(9, body - 3);
    case Style::caption:
        return std::max(10, body - 2);
    case Style::callout:
        return std::max(11, body - 1);
    case Style::body:
        return body;
    case Style::headline:
        return body;
    case Style::title3:
        return body + 2;
    case Style::title2:
        return body + 4;
    }
    return body;
}

QFont font(Style style, QFont::Weight weight) {
    if (style == Style::headline && weight == QFont::Normal)
        weight = QFont::Bold;
    return withSize(QApplication::font(), pixelSize(style), weight);
}

QFont monospaced(Style style, QFont::Weight weight) {
    return withSize(fixedFont(), pixelSize(style), weight);
}

QFont sized(int pixels, QFont::Weight weight) {
    return withSize(QApplication::font(), pixels, weight);
}

QFont spaced(QFont font, qreal spacing) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return font;
}

} // namespace moorkeep::TypeRamp
