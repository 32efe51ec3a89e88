#include "hosts/host_row_delegate.h"

#include "hosts/host_list_model.h"
#include "style/colors.h"
#include "style/icon_tile.h"
#include "style/symbols.h"
#include "style/type_ramp.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace moorkeep {

namespace {

constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 2;
constexpr int tileToText = 8;
constexpr int markSize = 10;
constexpr int markGap = 6;
constexpr int rowHeight = 40;

// Where the row's marks sit, right to left from the row's end: the
// configuration mark first, then the jump-host mark.
struct Marks {
    QRect config;
    QRect proxyJump;
};

Marks marksFor(const QRect& row, const QModelIndex& index) {
    Marks marks;
    int right = row.right() - horizontalPadding;
    const int top = row.center().y() - markSize / 2;
    if (index.data(HostListModel::HasProxyJumpRole).toBool()) {
        marks.proxyJump = QRect(right - markSize + 1, top, markSize, markSize);
        right -= markSize + markGap;
    }
    if (index.data(HostListModel::FromConfigRole).toBool())
        marks.config = QRect(right - markSize + 1, top, markSize, markSize);
    return marks;
}

QFont aliasFont() {
    return TypeRamp::sized(13, QFont::DemiBold);
}

QFont addressFont() {
    return TypeRamp::sized(11);
}

// The room for the alias and the address: from the tile to the marks.
QRect textColumn(const QRect& row, const QModelIndex& index) {
    const int left = row.left() + horizontalPadding + IconTile::rowLook.side + tileToText;
    int right = row.right() - horizontalPadding;
    const Marks marks = marksFor(row, index);
    for (const QRect& mark : {marks.config, marks.proxyJump})
        if (!mark.isNull())
            right = std::min(right, mark.left() - markGap);
    return QRect(left, row.top(), std::max(0, right - left), row.height());
}

} // namespace

void HostRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    // On the selection's fill everything takes the selection's text colour.
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    const QColor primary =
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor secondary = selected ? Colors::withOpacity(primary, 0.8) : Colors::secondary();
    const QColor tertiary = selected ? Colors::withOpacity(primary, 0.7) : Colors::tertiary();

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect.adjusted(0, verticalPadding, 0, -verticalPadding);

    // The tile: the rack symbol in the accent colour on the accent at 12 %.
    constexpr IconTile::Look tile = IconTile::rowLook;
    const QRect tileRect(row.left() + horizontalPadding, row.center().y() - tile.side / 2,
                         tile.side, tile.side);
    IconTile::paint(*painter, tileRect, QStringLiteral("server.rack"), tile,
                    selected ? primary : Colors::accent(), selected ? 0.2 : tile.fillOpacity);

    const Marks marks = marksFor(row, index);
    const qreal ratio = painter->device()->devicePixelRatioF();
    if (!marks.config.isNull())
        painter->drawPixmap(marks.config.topLeft(),
                            Symbols::pixmap(QStringLiteral("doc.text"), tertiary, markSize, ratio));
    if (!marks.proxyJump.isNull())
        painter->drawPixmap(
            marks.proxyJump.topLeft(),
            Symbols::pixmap(QStringLiteral("arrow.left.arrow.right"), tertiary, markSize, ratio));

    const QRect column = textColumn(row, index);
    const int textLeft = column.left();
    const QFontMetrics aliasMetrics(aliasFont());
    const QFontMetrics addressMetrics(addressFont());
    const int textHeight = aliasMetrics.height() + addressMetrics.height();
    const int top = row.center().y() - textHeight / 2;
    const int width = column.width();

    painter->setFont(aliasFont());
    painter->setPen(primary);
    painter->drawText(QRect(textLeft, top, width, aliasMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      aliasMetrics.elidedText(index.data().toString(), Qt::ElideRight, width));
    painter->setFont(addressFont());
    painter->setPen(secondary);
    painter->drawText(QRect(textLeft, top + aliasMetrics.height(), width, addressMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      addressMetrics.elidedText(index.data(HostListModel::AddressRole).toString(),
                                                Qt::ElideMiddle, width));
    painter->restore();
}

QSize HostRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {200, rowHeight};
}

// The configuration mark explains itself; a row too narrow for its alias or
// address shows both whole.
bool HostRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QRect row = option.rect.adjusted(0, verticalPadding, 0, -verticalPadding);
    const QRect mark = marksFor(row, index).config;
    if (!mark.isNull() && mark.adjusted(-3, -3, 3, 3).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), tr("From ~/.ssh/config"), view, mark);
        return true;
    }
    const QString alias = index.data().toString();
    const QString address = index.data(HostListModel::AddressRole).toString();
    const int width = textColumn(row, index).width();
    if (QFontMetrics(aliasFont()).horizontalAdvance(alias) > width ||
        QFontMetrics(addressFont()).horizontalAdvance(address) > width) {
        QToolTip::showText(event->globalPos(), alias + u'\n' + address, view, option.rect);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

} // namespace moorkeep
