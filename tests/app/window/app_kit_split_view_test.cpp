#include "application/app_settings.h"
#include "support/app_test.h"
#include "window/app_kit_split_view.h"

// The divider between the sidebar and the detail.
class AppKitSplitViewTest : public QObject {
    Q_OBJECT

private slots:
    // Every window starts on empty settings.
    void init() { AppSettings::open()->clear(); }

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
        auto view = std::make_unique<AppKitSplitView>();
        view->setPanes(new QWidget, new QWidget);
        view->resize(viewWidth, 600);
        view->show();

        // Drags the divider to dragTo (in the split view's coordinates).
        auto* handle = view->findChild<QWidget*>(u"splitDivider"_qs);
        const QPoint grab(handle->width() / 2, handle->height() / 2);
        QTest::mousePress(handle, Qt::LeftButton, {}, grab);
        const QPoint target = handle->mapFromParent(QPoint(dragTo, grab.y()));
        QMouseEvent move(QEvent::MouseMove, target, handle->mapToGlobal(target), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, target);

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

MOORKEEP_APP_TEST(AppKitSplitViewTest);

#include "app_kit_split_view_test.moc"
