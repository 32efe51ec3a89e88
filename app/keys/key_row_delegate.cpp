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

constexpr int gap = 10;
constexpr int lockSize = 9;
constexpr int lineGap = 2;
constexpr QMargins badgePadding{5, 1, 5, 1};

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

KeyRowDelegate::KeyRowDelegate(QObject* parent)
    : RowDelegate(Selection::accentWash, lineGap, IconTile::rowLook.side + 8, parent) {}

// The usage badge sits right-aligned in the row, and "In agent" before it.
RowDelegate::Look KeyRowDelegate::paintMarks(QPainter& painter, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const {
    Look look{.symbol = QStringLiteral("key.fill"),
              .tileColor = Colors::accent(),
              .tileOpacity = IconTile::rowLook.fillOpacity,
              .title = index.data(Qt::DisplayRole).toString(),
              .subtitle = index.data(KeyListModel::TypeRole).toString(),
              .titleColor = Colors::primary(),
              .subtitleColor = Colors::secondary(),
              .tileToText = gap,
              .textRight = option.rect.right() - sidePadding};
    if (const QVariant lock = index.data(KeyListModel::HasPassphraseRole); lock.isValid()) {
        const bool locked = lock.toBool();
        look.titleMark = Symbols::pixmap(
            locked ? QStringLiteral("lock.fill") : QStringLiteral("lock.open"),
            locked ? Colors::positive() : Colors::withOpacity(Colors::secondary(), 0.5), lockSize,
            painter.device()->devicePixelRatioF());
        look.titleMarkGap = 4;
    }
    if (int count = index.data(KeyListModel::UsageCountRole).toInt(); count > 0)
        look.textRight = paintBadge(painter, option.rect, look.textRight, QString::number(count),
                                    Colors::accent(), Colors::accentOnTint()) -
                         gap;
    if (index.data(KeyListModel::InAgentRole).toBool())
        look.textRight =
            paintBadge(painter, option.rect, look.textRight, KeyRowDelegate::tr("In agent"),
                       Colors::positive(), Colors::onOwnTint(Colors::positive())) -
            gap;
    return look;
}

} // namespace moorkeep
