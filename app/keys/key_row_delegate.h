#pragma once

#include <QStyledItemDelegate>

namespace moorkeep {

// Paints one row of the key list: the key tile, the name with its
// passphrase lock, the type below, and on the right the usage badge and,
// for a key the ssh-agent holds, "In agent". Every value comes from the
// model's roles, so painting costs no look-ups.
class KeyRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace moorkeep
