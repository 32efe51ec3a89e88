#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// Every symbol the window shows, by the names the screens use ("server.rack",
// "key.fill", …). Each is a drawing of our own, resources/symbols/NAME.svg
// compiled into the program, so the window looks the same on every desktop
// and theme. Icons are drawn at whatever size they are asked for, in the
// colour given (by default the palette's text colour; disabled icons take the
// palette's disabled text).
namespace moorkeep::Symbols {

QIcon icon(const QString& name);
QIcon icon(const QString& name, const QColor& color);
QPixmap pixmap(const QString& name, const QColor& color, int pixels, qreal devicePixelRatio = 1.0);

// All names known; an unknown name draws nothing.
QStringList names();
bool has(const QString& name);

} // namespace moorkeep::Symbols
