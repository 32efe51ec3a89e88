#pragma once

#include "style/card_frame.h"

#include <QString>
#include <optional>

namespace moorkeep {

// One fact of a host in the detail grid: a symbol and a label over the
// value, an optional badge after the value (the key's type), and an optional
// warning under it (a line of the host's own block that OpenSSH ignores).
class HostDetailCard : public CardFrame {
    Q_OBJECT

public:
    HostDetailCard(const QString& icon, const QString& label, const QString& value,
                   const std::optional<QString>& badge, const QString& warning = {},
                   QWidget* parent = nullptr);
};

} // namespace moorkeep
