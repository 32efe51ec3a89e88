#include "loading_spinner.h"

#include <QPainter>
#include <QVariantAnimation>

namespace moorkeep {

namespace {

constexpr int diameter = 28;
constexpr int penWidth = 3;
constexpr int turnMilliseconds = 900;

} // namespace

LoadingSpinner::LoadingSpinner(QWidget* parent)
    : QWidget(parent)
    , rotation_(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("loadingIndicator"));
    setAccessibleName(tr("Loading"));
    setFixedSize(diameter, diameter);
    rotation_->setStartValue(0);
    rotation_->setEndValue(360);
    rotation_->setDuration(turnMilliseconds);
    rotation_->setLoopCount(-1);
    connect(rotation_, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

bool LoadingSpinner::isSpinning() const {
    return rotation_->state() == QAbstractAnimation::Running;
}

void LoadingSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.15f);
    QRectF circle = QRectF(rect()).adjusted(penWidth, penWidth, -penWidth, -penWidth);
    painter.setPen(QPen(track, penWidth));
    painter.drawEllipse(circle);

    QPen arc(palette().color(QPalette::WindowText), penWidth);
    arc.setCapStyle(Qt::RoundCap);
    painter.setPen(arc);
    // Qt measures arcs in sixteenths of a degree, counter-clockwise.
    int start = -rotation_->currentValue().toInt() * 16;
    painter.drawArc(circle, start, 100 * 16);
}

void LoadingSpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    rotation_->start();
}

void LoadingSpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    rotation_->stop();
}

} // namespace moorkeep
