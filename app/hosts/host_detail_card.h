#pragma once

#include "style/card_frame.h"

#include <QString>
#include <optional>

namespace moorkeep {

// One fact of a host in the detail grid: a symbol and a label over the
// value, and an optional badge after the value (the key's type).
class HostDetailCard : public CardFrame {
    Q_OBJECT

public:
    HostDetailCard(const QString& icon, const QString& label, const QString& value,
                   const std::optional<QString>& badge, QWidget* parent = nullptr);
};

} // namespace moorkeep
