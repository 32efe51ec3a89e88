#pragma once

#include "screen/row_delegate.h"

namespace moorkeep {

// One row of the key list: the key tile, the name with its passphrase lock,
// the type below, and on the right the usage badge and, for a key the
// ssh-agent holds, "In agent", on the accent wash when selected. Every value comes from the model's
// roles, so painting costs no look-ups.
class KeyRowDelegate : public RowDelegate {
    Q_OBJECT

public:
    explicit KeyRowDelegate(QObject* parent = nullptr);

protected:
    Look paintMarks(QPainter& painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) const override;
};

} // namespace moorkeep
