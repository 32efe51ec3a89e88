#pragma once

#include <QColor>
#include <QIcon>

// The image "TrayIcon": a keep with a keyhole door, drawn for the tray at
// 16 to 24 pixels. The colour variant reads on light and dark panels; the
// symbolic variant is one colour, for panels that draw their icons so.
namespace moorkeep::TrayIconImage {

QIcon colour();
// The silhouette in the given colour, marked as a mask.
QIcon symbolic(const QColor& colour);
// The variant this desktop asks for: the symbolic one, through the icon
// theme when it has it installed, on desktops whose panels are drawn in one
// colour (GNOME and its relatives); the colour one elsewhere.
QIcon forDesktop();

} // namespace moorkeep::TrayIconImage
