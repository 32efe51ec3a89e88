#pragma once

#include "screen/row_delegate.h"

namespace moorkeep {

// One host of the sidebar list: the rack tile, the alias over user@hostname,
// and small marks for a host from the configuration file and for one reached
// through a jump host; the selection is the style's.
class HostRowDelegate : public RowDelegate {
    Q_OBJECT

public:
    explicit HostRowDelegate(QObject* parent = nullptr);

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    Look paintMarks(QPainter& painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) const override;
};

} // namespace moorkeep
