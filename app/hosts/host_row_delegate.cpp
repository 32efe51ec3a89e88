#include "hosts/host_row_delegate.h"

#include "hosts/host_list_model.h"
#include "style/colors.h"
#include "style/icon_tile.h"
#include "style/symbols.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace moorkeep {

namespace {

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
    int right = row.right() - 8;
    const int top = row.center().y() - markSize / 2;
    if (index.data(HostListModel::HasProxyJumpRole).toBool()) {
        marks.proxyJump = QRect(right - markSize + 1, top, markSize, markSize);
        right -= markSize + markGap;
    }
    if (index.data(HostListModel::FromConfigRole).toBool())
        marks.config = QRect(right - markSize + 1, top, markSize, markSize);
    return marks;
}

// Where the alias and the address end: before the marks.
int textRight(const QRect& row, const Marks& marks) {
    int right = row.right() - 8;
    for (const QRect& mark : {marks.config, marks.proxyJump})
        if (!mark.isNull())
            right = std::min(right, mark.left() - markGap);
    return right;
}

// On the selection's fill everything takes the selection's text colour.
QColor textColor(const QStyleOptionViewItem& option) {
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    return option.palette.color(
        group, option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
}

} // namespace

HostRowDelegate::HostRowDelegate(QObject* parent)
    : RowDelegate(Selection::styled, 0, rowHeight, parent) {}

RowDelegate::Look HostRowDelegate::paintMarks(QPainter& painter, const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const QColor primary = textColor(option);
    const QColor tertiary = selected ? Colors::withOpacity(primary, 0.7) : Colors::tertiary();
    const Marks marks = marksFor(option.rect, index);
    const qreal ratio = painter.device()->devicePixelRatioF();
    if (!marks.config.isNull())
        painter.drawPixmap(marks.config.topLeft(),
                           Symbols::pixmap(QStringLiteral("doc.text"), tertiary, markSize, ratio));
    if (!marks.proxyJump.isNull())
        painter.drawPixmap(
            marks.proxyJump.topLeft(),
            Symbols::pixmap(QStringLiteral("arrow.left.arrow.right"), tertiary, markSize, ratio));
    return {.symbol = QStringLiteral("server.rack"),
            .tileColor = selected ? primary : Colors::accent(),
            .tileOpacity = selected ? 0.2 : IconTile::rowLook.fillOpacity,
            .title = index.data().toString(),
            .subtitle = index.data(HostListModel::AddressRole).toString(),
            .titleColor = primary,
            .subtitleColor = selected ? Colors::withOpacity(primary, 0.8) : Colors::secondary(),
            .subtitleElide = Qt::ElideMiddle,
            .textRight = textRight(option.rect, marks)};
}

// The configuration mark explains itself; a row too narrow for its alias or
// address shows both whole.
bool HostRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const Marks marks = marksFor(option.rect, index);
    if (!marks.config.isNull() && marks.config.adjusted(-3, -3, 3, 3).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), tr("From ~/.ssh/config"), view, marks.config);
        return true;
    }
    const QString alias = index.data().toString();
    const QString address = index.data(HostListModel::AddressRole).toString();
    const int width =
        std::max(0, textRight(option.rect, marks) - textLeft(option.rect, tileToTextGap));
    if (QFontMetrics(titleFont()).horizontalAdvance(alias) > width ||
        QFontMetrics(subtitleFont()).horizontalAdvance(address) > width) {
        QToolTip::showText(event->globalPos(), alias + u'\n' + address, view, option.rect);
        return true;
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

} // namespace moorkeep
