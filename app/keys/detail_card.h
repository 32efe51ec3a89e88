#pragma once

#include "style/card_frame.h"

class QVBoxLayout;

namespace moorkeep {

class SelectableText;

// One information card of a key's detail: a head row with an icon and a
// caption, and the value below it, selectable; monospaced when mono is set.
class DetailCard : public CardFrame {
    Q_OBJECT

public:
    DetailCard(const QString& icon, const QString& label, const QString& value, bool mono,
               QWidget* parent = nullptr);

    SelectableText* valueText() const { return value_; }

    // The card's head row and its layout, for cards that add to the head.
    static QWidget* headRow(const QString& icon, const QString& label);
    static QVBoxLayout* cardLayout(CardFrame* card);

private:
    SelectableText* value_;
};

} // namespace moorkeep
