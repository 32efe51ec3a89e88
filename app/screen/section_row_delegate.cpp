#include "section_row_delegate.h"

#include "screen/sidebar_list_model.h"
#include "style/colors.h"
#include "style/symbols.h"
#include "style/type_ramp.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace moorkeep {

namespace {

constexpr int sidePadding = 8;
constexpr int chevronSize = 10;
constexpr int chevronGap = 6;
// The title sits low in the row, so a group's row reads as the start of what
// follows it rather than as the end of what came before.
constexpr int textTopInset = 10;

QFont titleFont() {
    return TypeRamp::font(TypeRamp::Style::caption, QFont::DemiBold);
}

} // namespace

SectionRowDelegate::SectionRowDelegate(QStyledItemDelegate* rows, QObject* parent)
    : QStyledItemDelegate(parent)
    , rows_(rows) {
    rows_->setParent(this);
}

bool SectionRowDelegate::isHeader(const QModelIndex& index) {
    const auto* model = qobject_cast<const SidebarListModel*>(index.model());
    return model && model->isHeader(index.row());
}

void SectionRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    if (isHeader(index))
        paintHeader(*painter, option, index);
    else
        rows_->paint(painter, option, index);
}

QSize SectionRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    return rows_->sizeHint(option, index);
}

bool SectionRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (!isHeader(index))
        return rows_->helpEvent(event, view, option, index);
    if (event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // The whole path, for a title cut short.
    QToolTip::showText(event->globalPos(), index.data().toString(), view, option.rect);
    return true;
}

void SectionRowDelegate::paintHeader(QPainter& painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    const QRect row = option.rect;
    const QRect band = row.adjusted(4, textTopInset - 4, -4, -1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // The keyboard's place, and the pointer's, are washes of the accent.
    const bool focused =
        option.state & QStyle::State_HasFocus && option.widget && option.widget->hasFocus();
    if (focused || option.state & QStyle::State_MouseOver) {
        QPainterPath path;
        path.addRoundedRect(QRectF(band), 6, 6);
        painter.fillPath(path, Colors::withOpacity(Colors::accent(), focused ? 0.18 : 0.07));
    }

    const QColor secondary = Colors::secondary();
    const bool collapsed = index.data(SidebarListModel::CollapsedRole).toBool();
    const qreal ratio = painter.device()->devicePixelRatioF();
    const int middle = band.center().y();
    const int left = row.left() + sidePadding + 4;
    painter.drawPixmap(QPoint(left, middle - chevronSize / 2),
                       Symbols::pixmap(collapsed ? QStringLiteral("chevron.right")
                                                 : QStringLiteral("chevron.down"),
                                       secondary, chevronSize, ratio));

    const QFont font = titleFont();
    const QFontMetrics metrics(font);
    painter.setFont(font);
    const QString count = QString::number(index.data(SidebarListModel::EntryCountRole).toInt());
    const int countWidth = metrics.horizontalAdvance(count);
    const int right = row.right() - sidePadding - 4;
    const QRect countRect(right - countWidth, band.top(), countWidth, band.height());
    painter.setPen(Colors::tertiary());
    painter.drawText(countRect, Qt::AlignVCenter | Qt::AlignRight, count);

    const int textLeft = left + chevronSize + chevronGap;
    const QRect titleRect(textLeft, band.top(), std::max(0, countRect.left() - 8 - textLeft),
                          band.height());
    painter.setPen(secondary);
    painter.drawText(
        titleRect, Qt::AlignVCenter | Qt::AlignLeft,
        metrics.elidedText(index.data().toString(), Qt::ElideMiddle, titleRect.width()));
    painter.restore();
}

} // namespace moorkeep
