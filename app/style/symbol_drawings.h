#pragma once

#include <QString>
#include <functional>

class QPainter;

namespace moorkeep::Symbols {

// Draws on a 16-unit grid with the painter's pen (line work) and brush
// (filled parts) already set to the symbol's colour.
using Drawing = std::function<void(QPainter&)>;

const Drawing* drawing(const QString& name);
QStringList drawingNames();

} // namespace moorkeep::Symbols
