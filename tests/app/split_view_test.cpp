#include "app_kit_split_view.h"
#include "support/app_test_main.h"

#include <QSignalSpy>
#include <QVariantAnimation>
#include <QtTest>
#include <memory>

using namespace moorkeep;

namespace {

constexpr int initial = AppKitSplitView::initialSidebarWidth;

// A split view with two plain panes, shown at the given width.
std::unique_ptr<AppKitSplitView> shownSplitView(int width = 1000) {
    auto view = std::make_unique<AppKitSplitView>();
    auto* sidebar = new QWidget;
    sidebar->setObjectName(QStringLiteral("testSidebar"));
    auto* detail = new QWidget;
    detail->setObjectName(QStringLiteral("testDetail"));
    view->setPanes(sidebar, detail);
    view->resize(width, 600);
    view->show();
    return view;
}

QWidget* divider(AppKitSplitView& view) {
    return view.findChild<QWidget*>(QStringLiteral("splitDivider"));
}

QWidget* detailPane(AppKitSplitView& view) {
    return view.findChild<QWidget*>(QStringLiteral("detailPane"));
}

// Drags the divider to x (in the split view's coordinates).
void dragDividerTo(AppKitSplitView& view, int x) {
    QWidget* handle = divider(view);
    QPoint grab(handle->width() / 2, handle->height() / 2);
    QTest::mousePress(handle, Qt::LeftButton, {}, grab);
    QPoint target = handle->mapFromParent(QPoint(x, grab.y()));
    QMouseEvent move(QEvent::MouseMove, target, handle->mapToGlobal(target), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromParent(QPoint(x, grab.y())));
}

} // namespace

class SplitViewTest : public QObject {
    Q_OBJECT

private slots:
    void showsSidebarAndDetailSideBySide() {
        auto view = shownSplitView();
        QCOMPARE(view->sidebarWidth(), initial);
        QCOMPARE(view->sidebar()->objectName(), u"testSidebar"_qs);
        QVERIFY(view->sidebar()->isVisible());
        QCOMPARE(detailPane(*view)->x(), initial + 1);
        QCOMPARE(detailPane(*view)->width(), 1000 - initial - 1);
        QCOMPARE(view->minimumSizeHint().width(),
                 AppKitSplitView::minimumSidebarWidth + 1 + AppKitSplitView::minimumDetailWidth);
    }

    void collapseAndExpandAreAnimated() {
        auto view = shownSplitView();
        QSignalSpy widths(view.get(), &AppKitSplitView::sidebarWidthChanged);
        auto* animation = view->findChild<QVariantAnimation*>(u"sidebarAnimation"_qs);
        QVERIFY(animation);
        QCOMPARE(animation->duration(), 200);

        view->setSidebarCollapsed(true);
        QVERIFY(view->isSidebarCollapsed());
        QTRY_COMPARE(view->sidebarWidth(), 0);
        QTRY_COMPARE(detailPane(*view)->width(), 1000);
        QVERIFY(!view->sidebar()->isVisible());
        QVERIFY(widths.count() >= 2);
        int between = widths.at(0).at(0).toInt();
        QVERIFY2(between > 0 && between < initial, "no frame between expanded and collapsed");

        widths.clear();
        view->setSidebarCollapsed(false);
        QTRY_COMPARE(view->sidebarWidth(), initial);
        QCOMPARE(detailPane(*view)->x(), initial + 1);
        QVERIFY(view->sidebar()->isVisible());
        QVERIFY(widths.count() >= 2);
    }

    void sidebarKeepsItsWidthWhenTheWindowGrows() {
        auto view = shownSplitView(900);
        view->resize(1300, 600);
        QTRY_COMPARE(detailPane(*view)->width(), 1300 - initial - 1);
        QCOMPARE(view->sidebarWidth(), initial);
    }

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
        QVERIFY(detailPane(*view)->width() >= AppKitSplitView::minimumDetailWidth);
    }

    void expandingReturnsToTheDraggedWidth() {
        auto view = shownSplitView();
        dragDividerTo(*view, 320);
        view->setSidebarCollapsed(true);
        QTRY_COMPARE(view->sidebarWidth(), 0);
        view->setSidebarCollapsed(false);
        QTRY_COMPARE(view->sidebarWidth(), 320);
    }

    // Dragging collapses the sidebar itself; only a differing flag changes it.
    void collapsedByDragExpandsOnlyWhenTheFlagDiffers() {
        auto view = shownSplitView();
        dragDividerTo(*view, 30);
        QCOMPARE(view->sidebarWidth(), 0);

        view->setSidebarCollapsed(true);
        QCOMPARE(view->sidebarWidth(), 0);
        view->setSidebarCollapsed(false);
        QTRY_COMPARE(view->sidebarWidth(), initial);
    }

    void replacingPanesDeletesTheOldOnes() {
        auto view = shownSplitView();
        QPointer<QWidget> oldSidebar = view->sidebar();
        QPointer<QWidget> oldDetail = view->detail();

        view->setPanes(new QWidget, new QWidget);

        QVERIFY(!view->findChild<QWidget*>(u"testSidebar"_qs));
        QTRY_VERIFY(!oldSidebar);
        QTRY_VERIFY(!oldDetail);
        QVERIFY(view->sidebar()->isVisible());
        QVERIFY(view->detail()->isVisible());
    }
};

MOORKEEP_APP_TEST_MAIN(SplitViewTest)

#include "split_view_test.moc"
