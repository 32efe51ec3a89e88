#pragma once

#include <QColor>

class QWidget;

// The named colour roles of the window, all taken from the palette so that
// light and dark themes both read well. Every widget asks here rather than
// naming a colour of its own.
namespace moorkeep::Colors {

QColor accent();
QColor primary();
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

} // namespace moorkeep::Colors
