#include "caption_label.h"

#include "colors.h"
#include "type_ramp.h"

namespace moorkeep {

CaptionLabel::CaptionLabel(const QString& text, QWidget* parent)
    : TintedLabel(text,
                  TypeRamp::spaced(TypeRamp::font(TypeRamp::Style::caption2, QFont::DemiBold)),
                  Colors::secondary, parent) {}

} // namespace moorkeep
