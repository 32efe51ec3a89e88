#pragma once

#include <QFont>

// The type ramp of the window, mapped to the platform font in one place. The
// body size is the platform's own; the other styles step from it, so a user
// who enlarges the desktop font enlarges the whole window.
namespace moorkeep::TypeRamp {

enum class Style { caption2, caption, callout, body, headline, title3, title2 };

QFont font(Style style, QFont::Weight weight = QFont::Normal);
QFont monospaced(Style style, QFont::Weight weight = QFont::Normal);
// A fixed size in device-independent pixels, for the places that name one.
QFont sized(int pixels, QFont::Weight weight = QFont::Normal);
// Small capitals headings ("CONNECTION COMMAND") carry a little letter spacing.
QFont spaced(QFont font, qreal spacing = 0.6);

int pixelSize(Style style);

} // namespace moorkeep::TypeRamp
