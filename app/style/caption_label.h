#pragma once

#include <QLabel>

namespace moorkeep {

// The small upper-case headings of cards and dialog fields ("PUBLIC KEY",
// "FILENAME"): semibold at the smallest caption size, letter-spaced, in the
// secondary colour.
class CaptionLabel : public QLabel {
    Q_OBJECT

public:
    explicit CaptionLabel(const QString& text, QWidget* parent = nullptr);

    static QFont captionFont();

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColor();
};

} // namespace moorkeep
