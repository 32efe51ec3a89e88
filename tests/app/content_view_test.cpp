#include "app_kit_split_view.h"
#include "hosts/hosts_sidebar.h"
#include "loading_spinner.h"
#include "support/window_harness.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolButton>

using namespace moorkeep;
using namespace moorkeep::test;
using Op = FakeVaultStore::Op;

class ContentViewTest : public QObject {
    Q_OBJECT

private slots:
    // The spinner shows until the first load is in; a failed load shows the
    // alert until OK is pressed, and the next load shows the screens.
    void spinnerThenFailureAlertThenTheScreens() {
        WindowHarness h;
        h.store->hold(Op::loadData);
        h.store->fail(Op::loadData, "Permission denied: ~/.ssh");
        h.view->show();
        QTRY_VERIFY(h.store->isHeld(Op::loadData));
        auto* spinner = h.find<LoadingSpinner>(u"loadingIndicator"_qs);
        QVERIFY(spinner && spinner->isVisible() && spinner->isSpinning());
        QVERIFY(!h.find(u"splitView"_qs)->isVisible());
        QVERIFY(h.find(u"toggleSidebarButton"_qs)->isVisible());

        h.store->release(Op::loadData);
        QTRY_VERIFY(h.find<QMessageBox>(u"errorAlert"_qs));
        auto* alert = h.find<QMessageBox>(u"errorAlert"_qs);
        QVERIFY(alert->isVisible());
        QCOMPARE(alert->text(), u"Permission denied: ~/.ssh"_qs);
        QCOMPARE(alert->buttons().size(), 1);
        QCOMPARE(alert->buttons().at(0)->text().remove(u'&'), u"OK"_qs);
        QVERIFY(!spinner->isVisible());
        QVERIFY(!spinner->isSpinning());
        alert->buttons().at(0)->click();
        QVERIFY(!h.model->errorMessage());
        QTRY_VERIFY(!h.find<QMessageBox>(u"errorAlert"_qs));

        h.store->succeed(Op::loadData);
        h.model->load();
        QTRY_VERIFY(h.find(u"splitView"_qs)->isVisible());
        QVERIFY(h.find(u"hostsSidebar"_qs)->isVisible());
        QVERIFY(!spinner->isVisible());
    }

    // What was done shows for a moment in the status line. Files the load
    // could not use are named there too, without stopping the user, under
    // such a moment; the line goes once they load again.
    void noticesAndLoadWarningsShareTheStatusLine() {
        WindowHarness h;
        QSignalSpy changed(h.model.get(), &AppModel::loadWarningsChanged);
        h.showLoaded();
        auto* bar = h.find<QStatusBar>(u"loadWarningBar"_qs);
        QVERIFY(!bar->isVisible());
        h.model->notify(u"Saved \u201cweb\u201d"_qs);
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->currentMessage(), u"Saved \u201cweb\u201d"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), ContentView::noticeMilliseconds + 2000);

        VaultData data = sampleVault();
        data.warnings = {"/home/u/.ssh/latin1 is not UTF-8 text and was not read."};
        h.store->setData(data);
        h.model->load();
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(h.model->loadWarnings(),
                 QStringList{u"/home/u/.ssh/latin1 is not UTF-8 text and was not read."_qs});
        QCOMPARE(changed.count(), 1);
        auto* notice = h.find<QLabel>(u"loadWarningNotice"_qs);
        QVERIFY(notice->isVisible());
        QVERIFY(notice->text().contains(u"latin1"_qs));
        QVERIFY(!h.find<QMessageBox>(u"errorAlert"_qs));
        QVERIFY(h.find(u"hostsSidebar"_qs)->isVisible());
        h.model->notify(u"Copied"_qs);
        QCOMPARE(bar->currentMessage(), u"Copied"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(bar->currentMessage().isEmpty(),
                                 ContentView::noticeMilliseconds + 2000);
        QVERIFY(bar->isVisible());
        QVERIFY(notice->isVisible());

        h.store->setData(sampleVault());
        h.model->load();
        QTRY_VERIFY(h.model->loadWarnings().isEmpty());
        QVERIFY(!notice->isVisible());
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

    // Each screen keeps its search and selection across tab switches; the
    // sidebar toggle collapses and expands with frames in between.
    void tabSwitchesKeepStateAndTheSidebarToggles() {
        WindowHarness h;
        h.showLoaded();
        h.view->hostsState().setSearch(u"web"_qs);
        h.view->hostsState().setSelectedId("cfg-db");
        h.find<QToolButton>(u"keysTabButton"_qs)->click();
        QCOMPARE(h.model->tab(), AppTab::keys);
        QTRY_VERIFY(h.find(u"keysSidebar"_qs) && h.find(u"keysSidebar"_qs)->isVisible());
        QVERIFY(!h.find(u"hostsSidebar"_qs));
        h.model->setTab(AppTab::hosts);
        auto* sidebar = h.find<HostsSidebar>(u"hostsSidebar"_qs);
        QVERIFY(h.find<QToolButton>(u"hostsTabButton"_qs)->isChecked());
        QCOMPARE(&sidebar->state(), &h.view->hostsState());
        QCOMPARE(sidebar->state().search(), u"web"_qs);
        QCOMPARE(sidebar->state().selectedId(), std::optional<std::string>("cfg-db"));

        auto* toggle = h.find<QToolButton>(u"toggleSidebarButton"_qs);
        auto* splitView = h.find<AppKitSplitView>(u"splitView"_qs);
        int expanded = splitView->sidebarWidth();
        QVERIFY(expanded >= AppKitSplitView::minimumSidebarWidth);
        QSignalSpy widths(splitView, &AppKitSplitView::sidebarWidthChanged);

        toggle->click();
        QVERIFY(h.view->isSidebarCollapsed());
        QTRY_COMPARE(splitView->sidebarWidth(), 0);
        QVERIFY(!splitView->sidebar()->isVisible());
        int between = widths.value(0).value(0).toInt();
        QVERIFY2(between > 0 && between < expanded, "no frame between expanded and collapsed");

        toggle->click();
        QVERIFY(!h.view->isSidebarCollapsed());
        QTRY_COMPARE(splitView->sidebarWidth(), expanded);
        QVERIFY(splitView->sidebar()->isVisible());
    }

    // The first activation is the launch; later ones rescan the keys.
    void reactivationRescansKeysAfterTheFirstActivation() {
        WindowHarness h;
        auto store = h.store;

        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QTRY_COMPARE(store->calls(Op::rescanKeys).size(), 1u);

        // The model waits for its store calls when it goes: nothing else ran.
        h.view.reset();
        h.model.reset();
        QCOMPARE(store->calls(Op::rescanKeys).size(), 1u);
    }
};

MOORKEEP_APP_TEST_MAIN(ContentViewTest)

#include "content_view_test.moc"
