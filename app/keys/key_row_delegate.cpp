#include "keys/key_row_delegate.h"

#include "keys/key_list_model.h"
#include "style/colors.h"
#include "style/icon_tile.h"
#include "style/symbols.h"
#include "style/type_ramp.h"

#include <QPainter>
#include <QPainterPath>

namespace moorkeep {

namespace {

constexpr int sidePadding = 8;
constexpr int verticalPadding = 2;
constexpr int gap = 10;
constexpr int lockGap = 4;
constexpr int lockSize = 9;
constexpr int lineGap = 2;
constexpr QMargins badgePadding{5, 1, 5, 1};

QFont nameFont() {
    return TypeRamp::sized(13, QFont::DemiBold);
}
QFont typeFont() {
    return TypeRamp::sized(11);
}
QFont badgeFont() {
    return TypeRamp::sized(10, QFont::Bold);
}

// Paints a capsule badge whose right edge is at right, in the colour of its
// text on a tint of tint; returns its left edge.
int paintBadge(QPainter& painter, const QRect& row, int right, const QString& text,
               const QColor& tint, const QColor& textColor) {
    painter.setFont(badgeFont());
    const QSize size =
        QFontMetrics(badgeFont()).size(Qt::TextSingleLine, text).grownBy(badgePadding);
    const QRect badge(right - size.width() + 1, row.center().y() - size.height() / 2, size.width(),
                      size.height());
    QPainterPath path;
    path.addRoundedRect(QRectF(badge), badge.height() / 2.0, badge.height() / 2.0);
    painter.fillPath(path, Colors::withOpacity(tint, Colors::tintOpacity));
    painter.setPen(textColor);
    painter.drawText(badge, Qt::AlignCenter, text);
    return badge.left();
}

} // namespace

void KeyRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    const qreal dpr = painter->device()->devicePixelRatioF();

    // A soft accent wash rather than the solid highlight, so the accent tile
    // and badge stay readable on the selected row.
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    if (selected || hovered) {
        const bool focused =
            option.state & QStyle::State_HasFocus || (option.widget && option.widget->hasFocus());
        qreal opacity = selected ? (focused ? 0.28 : 0.18) : 0.07;
        QPainterPath path;
        path.addRoundedRect(QRectF(row.adjusted(4, 1, -4, -1)), 6, 6);
        painter->fillPath(path, Colors::withOpacity(Colors::accent(), opacity));
    }

    const int side = IconTile::rowLook.side;
    const QRect tile(row.left() + sidePadding, row.center().y() - side / 2, side, side);
    IconTile::paint(*painter, tile, QStringLiteral("key.fill"), IconTile::rowLook, Colors::accent(),
                    IconTile::rowLook.fillOpacity);

    int right = row.right() - sidePadding;
    if (int count = index.data(KeyListModel::UsageCountRole).toInt(); count > 0)
        right = paintBadge(*painter, row, right, QString::number(count), Colors::accent(),
                           Colors::accentOnTint()) -
                gap;
    if (index.data(KeyListModel::InAgentRole).toBool())
        right = paintBadge(*painter, row, right, KeyRowDelegate::tr("In agent"), Colors::positive(),
                           Colors::onOwnTint(Colors::positive())) -
                gap;

    const QFontMetrics nameMetrics(nameFont());
    const QFontMetrics typeMetrics(typeFont());
    const int textHeight = nameMetrics.height() + lineGap + typeMetrics.height();
    const int left = tile.right() + 1 + gap;
    const int top = row.center().y() - textHeight / 2;

    const QVariant lock = index.data(KeyListModel::HasPassphraseRole);
    const int lockWidth = lock.isValid() ? lockGap + lockSize : 0;
    const QString name =
        nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                               std::max(0, right - left - lockWidth));
    painter->setFont(nameFont());
    painter->setPen(Colors::primary());
    painter->drawText(QRect(left, top, right - left, nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, name);
    if (lock.isValid()) {
        const bool locked = lock.toBool();
        const QColor color =
            locked ? Colors::positive() : Colors::withOpacity(Colors::secondary(), 0.5);
        const QPoint at(left + nameMetrics.horizontalAdvance(name) + lockGap,
                        top + (nameMetrics.height() - lockSize) / 2);
        painter->drawPixmap(
            at, Symbols::pixmap(locked ? QStringLiteral("lock.fill") : QStringLiteral("lock.open"),
                                color, lockSize, dpr));
    }

    painter->setFont(typeFont());
    painter->setPen(Colors::secondary());
    const QString type = typeMetrics.elidedText(index.data(KeyListModel::TypeRole).toString(),
                                                Qt::ElideRight, std::max(0, right - left));
    painter->drawText(
        QRect(left, top + nameMetrics.height() + lineGap, right - left, typeMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter, type);
    painter->restore();
}

QSize KeyRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    const int text =
        QFontMetrics(nameFont()).height() + lineGap + QFontMetrics(typeFont()).height();
    return {200, std::max(IconTile::rowLook.side, text) + 2 * verticalPadding + 4};
}

} // namespace moorkeep
