#pragma once

#include <QWidget>

namespace moorkeep {

// The thin line between sidebar and detail. Its grab area is wider than the
// line it draws, so it is easy to hit.
class SplitDivider : public QWidget {
    Q_OBJECT

public:
    static constexpr int grabWidth = 6;

    explicit SplitDivider(QWidget* parent = nullptr);

signals:
    // The pointer's x position in the parent's coordinates while dragging.
    void dragged(int x);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool dragging_ = false;
};

} // namespace moorkeep
