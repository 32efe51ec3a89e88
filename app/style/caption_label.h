#pragma once

#include "style/tinted_label.h"

namespace moorkeep {

// The small upper-case headings of cards and dialog fields ("PUBLIC KEY",
// "FILENAME"): semibold at the smallest caption size, letter-spaced, in the
// secondary colour.
class CaptionLabel : public TintedLabel {
    Q_OBJECT

public:
    explicit CaptionLabel(const QString& text, QWidget* parent = nullptr);
};

} // namespace moorkeep
