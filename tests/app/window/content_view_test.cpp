#include "application/app_settings.h"
#include "hosts/hosts_sidebar.h"
#include "support/app_test.h"
#include "window/app_kit_split_view.h"
#include "window/loading_spinner.h"

// The main window around the screens: loading, failures, notices, tabs, the sidebar.
class ContentViewTest : public QObject {
    Q_OBJECT

private slots:
    // Every window starts on empty settings.
    void init() { AppSettings::open()->clear(); }

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
    // such a moment; the line goes once they load again. Each screen keeps
    // its search and selection across tab switches; the sidebar toggle
    // collapses and expands with frames in between.
    void noticesWarningsTabSwitchesAndTheSidebarToggle() {
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

        // What the store tells of a change shows there too, once the change's
        // own line is gone, until the next change ends.
        h.store->tell("~/.ssh/config was written unchecked: ssh was not found.");
        auto* told = h.find<QLabel>(u"changeNotice"_qs);
        QFuture<void> save = h.model->saveHost(h.model->hosts()[0]);
        QTRY_VERIFY(save.isFinished());
        QCOMPARE(bar->currentMessage(), u"Saved \u201cweb\u201d"_qs);
        bar->clearMessage();
        QVERIFY(told->isVisible());
        QCOMPARE(told->text(), u"~/.ssh/config was written unchecked: ssh was not found."_qs);
        QVERIFY(!told->accessibleName().isEmpty());
        save = h.model->saveHost(h.model->hosts()[0]);
        QTRY_VERIFY(save.isFinished());
        bar->clearMessage();
        QVERIFY(!told->isVisible());
        QVERIFY(!bar->isVisible());

        h.view->hostsState().setSearch(u"web"_qs);
        h.view->hostsState().setSelectedId("cfg-web");
        h.find<QToolButton>(u"keysTabButton"_qs)->click();
        QCOMPARE(h.model->tab(), AppTab::keys);
        QTRY_VERIFY(h.find(u"keysSidebar"_qs) && h.find(u"keysSidebar"_qs)->isVisible());
        QVERIFY(!h.find(u"hostsSidebar"_qs));
        h.model->setTab(AppTab::hosts);
        auto* sidebar = h.find<HostsSidebar>(u"hostsSidebar"_qs);
        QVERIFY(h.find<QToolButton>(u"hostsTabButton"_qs)->isChecked());
        QCOMPARE(&sidebar->state(), &h.view->hostsState());
        QCOMPARE(sidebar->state().search(), u"web"_qs);
        QCOMPARE(sidebar->state().selectedId(), std::optional<std::string>("cfg-web"));

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

    // The window fits 800x600 and 960x540 (with room for a title bar and a
    // panel): the host's buttons stay inside it. Its size and split come
    // back in the next window.
    void smallScreensAndTheRememberedSize() {
        {
            WindowHarness h;
            h.showLoaded();
            QTRY_VERIFY(h.find(u"deleteHostButton"_qs));
            for (const QSize size : {QSize(800, 540), QSize(960, 460)}) {
                h.view->resize(size);
                QTRY_COMPARE(h.view->size(), size);
                for (const char* name :
                     {"connectHostButton", "editHostButton", "deleteHostButton"}) {
                    QWidget* button = h.find(QString::fromLatin1(name));
                    // The layout follows the new size a moment later.
                    QTRY_VERIFY2(h.view->rect().contains(
                                     QRect(button->mapTo(h.view.get(), QPoint()), button->size())),
                                 name);
                }
            }
            h.find<AppKitSplitView>(u"splitView"_qs)->setPreferredSidebarWidth(300);
            h.view->close();
        }
        WindowHarness again;
        again.showLoaded();
        QCOMPARE(again.view->size(), QSize(960, 460));
        QTRY_COMPARE(again.find<AppKitSplitView>(u"splitView"_qs)->sidebarWidth(), 300);
    }
};

MOORKEEP_APP_TEST(ContentViewTest);

#include "content_view_test.moc"
