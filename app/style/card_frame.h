#pragma once

#include <QColor>
#include <QFrame>
#include <functional>

namespace moorkeep {

// The one card style of the window: the control background in a rounded
// rectangle of radius 10, edged inside with a 1-pixel line of the secondary
// colour at 15 % opacity. Lay the card's content out in it as in any widget.
class CardFrame : public QFrame {
    Q_OBJECT

public:
    struct Look {
        std::function<QColor()> fill;
        std::function<QColor()> edge; // none: no edge
        qreal radius = 10;
    };

    explicit CardFrame(QWidget* parent = nullptr);
    CardFrame(Look look, QWidget* parent = nullptr);

    static Look cardLook();
    // The public key's box: the accent at 4 % with an accent edge at 20 %.
    static Look accentLook();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look look_;
};

} // namespace moorkeep
