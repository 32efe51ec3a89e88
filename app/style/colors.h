#pragma once

#include <QColor>

class QWidget;

// The named colour roles of the window, all taken from the palette so that
// light and dark themes both read well. Every widget asks here rather than
// naming a colour of its own.
namespace moorkeep::Colors {

// What a foreground must reach against what it sits on: the contrast ratio
// of the web's accessibility guidelines, for symbols and for text.
inline constexpr qreal symbolContrast = 3.0;
inline constexpr qreal textContrast = 4.5;

QColor accent();
// The accent for symbols and text on an accent tint (tiles, badges), made
// lighter or darker where the palette's own accent would not stand out.
QColor accentOnTint();
// Any colour as the text of a badge tinted with it.
QColor onOwnTint(const QColor& color);
QColor primary();
// Captions and badge text; readable on the cards, the window and the
// badges' own tint.
QColor secondary();
QColor tertiary();
QColor controlBackground();
QColor windowBackground();
// A passphrase that is set; readable on light and dark backgrounds alike.
QColor positive();
QColor destructive();
// What needs the user's attention without being an error.
QColor warning();

QColor withOpacity(QColor color, qreal opacity);
// top painted over the opaque bottom.
QColor over(const QColor& top, const QColor& bottom);
// The contrast ratio of two opaque colours, from 1 to 21.
qreal contrast(const QColor& first, const QColor& second);
// color moved towards white on a dark background or black on a light one,
// as little as needed to reach ratio.
QColor readableOn(const QColor& color, const QColor& background, qreal ratio);

// The opacity of the accent and secondary tints under badges and row tiles.
inline constexpr qreal tintOpacity = 0.15;

} // namespace moorkeep::Colors
