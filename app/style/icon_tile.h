#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class QPainter;

namespace moorkeep {

// A symbol in the accent colour on a rounded square of the accent colour at a
// low opacity: the host and key tiles of the lists and detail headers.
class IconTile : public QWidget {
    Q_OBJECT

public:
    struct Look {
        int side;
        int symbolSize;
        qreal radius;
        qreal fillOpacity;
    };
    static constexpr Look rowLook{26, 14, 6, 0.12};
    static constexpr Look headerLook{44, 22, 10, 0.10};

    IconTile(const QString& symbol, Look look, QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // Paints a tile into the rectangle, for lists that draw their rows: the
    // symbol in the colour on the colour at the given opacity.
    static void paint(QPainter& painter, const QRect& tile, const QString& symbol, Look look,
                      const QColor& color, qreal fillOpacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    Look look_;
};

} // namespace moorkeep
