#include "app_kit_split_view.h"

#include "window/split_divider.h"

#include <QEasingCurve>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>

namespace moorkeep {

namespace {

constexpr int lineWidth = 1;

void discard(QWidget* pane) {
    if (!pane)
        return;
    pane->hide();
    pane->setParent(nullptr);
    pane->deleteLater();
}

} // namespace

AppKitSplitView::AppKitSplitView(QWidget* parent)
    : QWidget(parent)
    , sidebarPane_(new QWidget(this))
    , detailPane_(new QWidget(this))
    , divider_(new SplitDivider(this))
    , animation_(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("splitView"));
    sidebarPane_->setObjectName(QStringLiteral("sidebarPane"));
    detailPane_->setObjectName(QStringLiteral("detailPane"));
    auto* detailLayout = new QVBoxLayout(detailPane_);
    detailLayout->setContentsMargins(0, 0, 0, 0);

    animation_->setObjectName(QStringLiteral("sidebarAnimation"));
    animation_->setDuration(animationMilliseconds);
    animation_->setEasingCurve(QEasingCurve::InOutCubic);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& width) {
        animatedWidth_ = width.toInt();
        layoutPanes();
    });
    connect(animation_, &QVariantAnimation::finished, this, [this] {
        animatedWidth_.reset();
        layoutPanes();
    });
    connect(divider_, &SplitDivider::dragged, this, &AppKitSplitView::dragDivider);
}

void AppKitSplitView::setPanes(QWidget* sidebar, QWidget* detail) {
    if (sidebar != sidebar_) {
        discard(sidebar_);
        sidebar_ = sidebar;
        sidebar_->setParent(sidebarPane_);
        sidebar_->show();
    }
    if (detail != detail_) {
        discard(detail_);
        detail_ = detail;
        detailPane_->layout()->addWidget(detail_);
        detail_->show();
    }
    updateGeometry();
    layoutPanes();
}

void AppKitSplitView::setSidebarCollapsed(bool collapsed) {
    if (collapsed == collapsed_)
        return;
    collapsed_ = collapsed;
    stopAnimation();
    animation_->setStartValue(shownWidth_);
    animation_->setEndValue(collapsed ? 0 : expandedWidth());
    animation_->start();
    updateGeometry();
}

QSize AppKitSplitView::minimumSizeHint() const {
    int height = std::max(sidebar_ ? sidebar_->minimumSizeHint().height() : 0,
                          detail_ ? detail_->minimumSizeHint().height() : 0);
    int sidebar = collapsed_ ? 0 : minimumSidebarWidth + lineWidth;
    return {sidebar + minimumDetailWidth, height};
}

QSize AppKitSplitView::sizeHint() const {
    QSize minimum = minimumSizeHint();
    int sidebar = collapsed_ ? 0 : preferredWidth_ + lineWidth;
    int detail = std::max(minimumDetailWidth, detail_ ? detail_->sizeHint().width() : 0);
    return {sidebar + detail, minimum.height()};
}

void AppKitSplitView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPanes();
}

// The detail keeps its minimum first; the sidebar gives way down to its own.
int AppKitSplitView::maximumWidthNow() const {
    return std::clamp(width() - lineWidth - minimumDetailWidth, minimumSidebarWidth,
                      maximumSidebarWidth);
}

int AppKitSplitView::expandedWidth() const {
    return std::clamp(preferredWidth_, minimumSidebarWidth, maximumWidthNow());
}

void AppKitSplitView::setPreferredSidebarWidth(int width) {
    preferredWidth_ = std::max(width, minimumSidebarWidth);
    updateGeometry();
    layoutPanes();
}

// Dragging below half the minimum width collapses the sidebar, as dragging
// back out expands it; otherwise the sidebar follows within its limits.
void AppKitSplitView::dragDivider(int x) {
    stopAnimation();
    bool collapse = x < minimumSidebarWidth / 2;
    if (!collapse)
        preferredWidth_ = std::clamp(x, minimumSidebarWidth, maximumWidthNow());
    if (collapse != collapsed_) {
        collapsed_ = collapse;
        updateGeometry();
    }
    layoutPanes();
}

void AppKitSplitView::stopAnimation() {
    animation_->stop();
    animatedWidth_.reset();
}

void AppKitSplitView::layoutPanes() {
    int width = animatedWidth_.value_or(collapsed_ ? 0 : expandedWidth());
    int full = expandedWidth();

    // The sidebar slides out at its full width instead of being squeezed.
    sidebarPane_->setGeometry(0, 0, width, height());
    sidebarPane_->setVisible(width > 0);
    if (sidebar_)
        sidebar_->setGeometry(width - full, 0, full, height());

    int detailX = width > 0 ? width + lineWidth : 0;
    detailPane_->setGeometry(detailX, 0, this->width() - detailX, height());
    divider_->move(width - SplitDivider::grabWidth / 2, 0);
    divider_->resize(SplitDivider::grabWidth, height());
    divider_->raise();

    if (width != shownWidth_) {
        shownWidth_ = width;
        emit sidebarWidthChanged(width);
    }
}

} // namespace moorkeep
