#pragma once

#include <QWidget>

class QVariantAnimation;

namespace moorkeep {

// A small spinning arc shown while the first snapshot loads. It turns only
// while it is visible.
class LoadingSpinner : public QWidget {
    Q_OBJECT

public:
    explicit LoadingSpinner(QWidget* parent = nullptr);

    bool isSpinning() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVariantAnimation* rotation_;
};

} // namespace moorkeep
