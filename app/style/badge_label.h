#pragma once

#include <QColor>
#include <QLabel>
#include <functional>

namespace moorkeep {

// A short text on a tinted rounded shape: "ssh config", a key's type, a usage
// count. The colours are asked for at paint time so they follow the palette.
class BadgeLabel : public QLabel {
    Q_OBJECT

public:
    struct Look {
        std::function<QColor()> text;
        std::function<QColor()> fill;
        QMargins padding;
        bool capsule;
    };
    // Secondary text colour on the secondary colour at 15 %.
    static Look neutralLook(QMargins padding = {6, 2, 6, 2});
    // Accent text on a capsule of the accent colour at 15 %.
    static Look accentLook(QMargins padding = {6, 2, 6, 2});
    // Positive text on a capsule of the positive colour at 15 % ("In agent").
    static Look positiveLook(QMargins padding = {6, 2, 6, 2});
    // Warning text on the warning colour at 15 %.
    static Look warningLook(QMargins padding = {6, 2, 6, 2});

    BadgeLabel(const QString& text, Look look, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look look_;
};

} // namespace moorkeep
