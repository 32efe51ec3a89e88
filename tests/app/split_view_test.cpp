#include "app_kit_split_view.h"
#include "support/app_test.h"

using namespace moorkeep;

namespace {

// A split view with two plain panes, shown at the given width.
std::unique_ptr<AppKitSplitView> shownSplitView(int width) {
    auto view = std::make_unique<AppKitSplitView>();
    view->setPanes(new QWidget, new QWidget);
    view->resize(width, 600);
    view->show();
    return view;
}

// Drags the divider to x (in the split view's coordinates).
void dragDividerTo(AppKitSplitView& view, int x) {
    auto* handle = view.findChild<QWidget*>(u"splitDivider"_qs);
    QPoint grab(handle->width() / 2, handle->height() / 2);
    QTest::mousePress(handle, Qt::LeftButton, {}, grab);
    QPoint target = handle->mapFromParent(QPoint(x, grab.y()));
    QMouseEvent move(QEvent::MouseMove, target, handle->mapToGlobal(target), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, target);
}

} // namespace

class SplitViewTest : public QObject {
    Q_OBJECT

private slots:
    void dividerDragStaysWithinTheLimits_data() {
        QTest::addColumn<int>("viewWidth");
        QTest::addColumn<int>("dragTo");
        QTest::addColumn<int>("expectedWidth");
        QTest::newRow("within the limits") << 1000 << 300 << 300;
        QTest::newRow("beyond the maximum") << 1000 << 600 << 360;
        QTest::newRow("below the minimum") << 1000 << 150 << 240;
        QTest::newRow("detail keeps 480") << 800 << 360 << 800 - 1 - 480;
        QTest::newRow("far left collapses") << 1000 << 40 << 0;
    }

    void dividerDragStaysWithinTheLimits() {
        QFETCH(int, viewWidth);
        QFETCH(int, dragTo);
        QFETCH(int, expectedWidth);
        auto view = shownSplitView(viewWidth);

        dragDividerTo(*view, dragTo);

        QCOMPARE(view->sidebarWidth(), expectedWidth);
        QCOMPARE(view->isSidebarCollapsed(), expectedWidth == 0);
        QCOMPARE(view->findChild<QWidget*>(u"detailPane"_qs)->x(),
                 expectedWidth == 0 ? 0 : expectedWidth + 1);
        if (expectedWidth > 0) { // expanding goes back to the dragged width
            view->setSidebarCollapsed(true);
            QTRY_COMPARE(view->sidebarWidth(), 0);
            view->setSidebarCollapsed(false);
            QTRY_COMPARE(view->sidebarWidth(), expectedWidth);
        }
    }
};

MOORKEEP_APP_TEST_MAIN(SplitViewTest)

#include "split_view_test.moc"
