#pragma once

#include <QStyledItemDelegate>

namespace moorkeep {

// Paints one host of the sidebar list: the host tile, the alias over
// user@hostname, and small marks for a host from the configuration file and
// for one reached through a jump host. No widget per row.
class HostRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

} // namespace moorkeep
