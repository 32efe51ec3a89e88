#include "row_delegate.h"

#include "style/colors.h"
#include "style/icon_tile.h"
#include "style/type_ramp.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace moorkeep {

RowDelegate::RowDelegate(Selection selection, int lineGap, int minimumHeight, QObject* parent)
    : QStyledItemDelegate(parent)
    , selection_(selection)
    , lineGap_(lineGap)
    , minimumHeight_(minimumHeight) {}

// The text, with 4 pixels above and below it inside the row's 2-pixel
// padding.
QSize RowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    const int text =
        QFontMetrics(titleFont()).height() + lineGap_ + QFontMetrics(subtitleFont()).height();
    return {200, std::max(minimumHeight_, text + 8)};
}

QFont RowDelegate::titleFont() {
    return TypeRamp::sized(13, QFont::DemiBold);
}

QFont RowDelegate::subtitleFont() {
    return TypeRamp::sized(11);
}

int RowDelegate::textLeft(const QRect& row, int tileToText) {
    return row.left() + sidePadding + IconTile::rowLook.side + tileToText;
}

void RowDelegate::paintSelection(QPainter& painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    if (selection_ == Selection::styled) {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        background.icon = {};
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, &painter, widget);
        return;
    }
    const bool selected = option.state & QStyle::State_Selected;
    if (!selected && !(option.state & QStyle::State_MouseOver))
        return;
    const bool focused =
        option.state & QStyle::State_HasFocus || (option.widget && option.widget->hasFocus());
    const qreal opacity = selected ? (focused ? 0.28 : 0.18) : 0.07;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(option.rect.adjusted(4, 1, -4, -1)), 6, 6);
    painter.fillPath(path, Colors::withOpacity(Colors::accent(), opacity));
    painter.restore();
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    paintSelection(*painter, option, index);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    const Look shown = paintMarks(*painter, option, index);

    constexpr IconTile::Look tile = IconTile::rowLook;
    const QRect tileRect(row.left() + sidePadding, row.center().y() - tile.side / 2, tile.side,
                         tile.side);
    IconTile::paint(*painter, tileRect, shown.symbol, tile, shown.tileColor, shown.tileOpacity);

    const int left = textLeft(row, shown.tileToText);
    const int width = std::max(0, shown.textRight - left);
    const QFontMetrics titleMetrics(titleFont());
    const QFontMetrics subtitleMetrics(subtitleFont());
    const int top =
        row.center().y() - (titleMetrics.height() + lineGap_ + subtitleMetrics.height()) / 2;

    const qreal ratio = shown.titleMark.devicePixelRatio();
    const int markWidth =
        shown.titleMark.isNull() ? 0 : shown.titleMarkGap + int(shown.titleMark.width() / ratio);
    const QString title =
        titleMetrics.elidedText(shown.title, Qt::ElideRight, std::max(0, width - markWidth));
    painter->setFont(titleFont());
    painter->setPen(shown.titleColor);
    painter->drawText(QRect(left, top, width, titleMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, title);
    if (!shown.titleMark.isNull()) {
        const int markHeight = int(shown.titleMark.height() / ratio);
        painter->drawPixmap(
            QPoint(left + titleMetrics.horizontalAdvance(title) + shown.titleMarkGap,
                   top + (titleMetrics.height() - markHeight) / 2),
            shown.titleMark);
    }
    painter->setFont(subtitleFont());
    painter->setPen(shown.subtitleColor);
    painter->drawText(
        QRect(left, top + titleMetrics.height() + lineGap_, width, subtitleMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        subtitleMetrics.elidedText(shown.subtitle, shown.subtitleElide, width));
    painter->restore();
}

} // namespace moorkeep
