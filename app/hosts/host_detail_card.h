#pragma once

#include "style/card_frame.h"

#include <QString>
#include <optional>

class QHBoxLayout;
class QVBoxLayout;

namespace moorkeep {

class BadgeLabel;
class ElidedLabel;
class TintedLabel;

// One fact of a host in the detail grid: a symbol and a label over the
// value, an optional badge after the value (the key's type), and an optional
// warning under it (a line of the host's own block that OpenSSH ignores).
class HostDetailCard : public CardFrame {
    Q_OBJECT

public:
    HostDetailCard(const QString& icon, const QString& label, QWidget* parent = nullptr);

    // The badge and the warning are there only while they have a text.
    void setValue(const QString& value, const std::optional<QString>& badge,
                  const QString& warning = {});

private:
    void setBadge(const std::optional<QString>& badge);
    void setWarning(const QString& warning);

    QVBoxLayout* layout_;
    QHBoxLayout* valueRow_;
    ElidedLabel* value_;
    BadgeLabel* badge_ = nullptr;
    BadgeLabel* warningBadge_ = nullptr;
    TintedLabel* warning_ = nullptr;
};

} // namespace moorkeep
