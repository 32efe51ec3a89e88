#include "style/font_warmup.h"

#include "style/type_ramp.h"

#include <QImage>
#include <QPainter>
#include <QTimer>
#include <array>

namespace moorkeep {
namespace {

using TypeRamp::Style;

// The fonts the Hosts and Keys screens draw with.
QFont fontNumber(int index) {
    constexpr std::array styles{Style::caption2, Style::caption, Style::callout,
                                Style::body,     Style::title3,  Style::title2};
    constexpr int count = static_cast<int>(styles.size());
    if (index < count)
        return TypeRamp::font(styles[index]);
    if (index < 2 * count)
        return TypeRamp::font(styles[index - count], QFont::DemiBold);
    if (index < 3 * count)
        return TypeRamp::font(styles[index - 2 * count], QFont::Bold);
    return TypeRamp::monospaced(styles[(index - 3 * count) % count]);
}

constexpr int fontCount = 4 * 6;

void warm(const QFont& font) {
    static const QString sample =
        QStringLiteral(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                       "abcdefghijklmnopqrstuvwxyz{|}~…");
    QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setFont(font);
    painter.drawText(0, 6, sample);
}

} // namespace

FontWarmup::FontWarmup(QObject* parent)
    : QObject(parent) {}

void FontWarmup::start() {
    running_ = true;
    next_ = 0;
    QTimer::singleShot(1, this, &FontWarmup::warmNext);
}

void FontWarmup::stop() {
    running_ = false;
}

void FontWarmup::warmNext() {
    if (!running_ || next_ >= fontCount)
        return;
    warm(fontNumber(next_++));
    QTimer::singleShot(1, this, &FontWarmup::warmNext);
}

} // namespace moorkeep
