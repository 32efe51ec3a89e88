#pragma once

#include <QIcon>

// The window's symbols: the desktop theme's icon where it has one, else a
// drawing of our own, so that the toolbar never shows empty buttons.
namespace moorkeep::AppIcons {

QIcon sidebar();
QIcon hosts();
QIcon keys();

} // namespace moorkeep::AppIcons
