#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

class QVariantAnimation;

namespace moorkeep {

class SplitDivider;

// The two-pane view that holds a screen's sidebar and detail: a thin divider,
// a sidebar of 240 to 360 pixels that can be collapsed and that keeps its
// width when the window is resized, and a detail pane of at least 480.
//
// The caller's collapsed flag is only read (setSidebarCollapsed): collapsing
// the sidebar by dragging the divider changes the sidebar, not the flag.
class AppKitSplitView : public QWidget {
    Q_OBJECT

public:
    static constexpr int minimumSidebarWidth = 240;
    static constexpr int maximumSidebarWidth = 360;
    static constexpr int initialSidebarWidth = 260;
    static constexpr int minimumDetailWidth = 480;
    static constexpr int animationMilliseconds = 200;

    explicit AppKitSplitView(QWidget* parent = nullptr);

    // Shows these panes, taking ownership; the previous ones are deleted.
    void setPanes(QWidget* sidebar, QWidget* detail);
    QWidget* sidebar() const { return sidebar_; }
    QWidget* detail() const { return detail_; }

    // Collapses or expands the sidebar, animated, when its state differs.
    void setSidebarCollapsed(bool collapsed);
    // The sidebar's own state (the target state while animating).
    bool isSidebarCollapsed() const { return collapsed_; }
    // The width the sidebar shows right now.
    int sidebarWidth() const { return shownWidth_; }
    // The width the sidebar takes when expanded, as the user last dragged it.
    int preferredSidebarWidth() const { return preferredWidth_; }
    void setPreferredSidebarWidth(int width);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

signals:
    void sidebarWidthChanged(int width);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int maximumWidthNow() const;
    int expandedWidth() const;
    void dragDivider(int x);
    void stopAnimation();
    void layoutPanes();

    QWidget* sidebarPane_;
    QWidget* detailPane_;
    SplitDivider* divider_;
    QVariantAnimation* animation_;
    QPointer<QWidget> sidebar_;
    QPointer<QWidget> detail_;

    int preferredWidth_ = initialSidebarWidth;
    std::optional<int> animatedWidth_;
    int shownWidth_ = initialSidebarWidth;
    bool collapsed_ = false;
};

} // namespace moorkeep
