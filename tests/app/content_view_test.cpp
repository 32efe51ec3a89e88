#include "app_kit_split_view.h"
#include "content_view.h"
#include "hosts/hosts_sidebar.h"
#include "loading_spinner.h"
#include "support/app_harness.h"
#include "support/app_test_main.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace moorkeep;
using namespace moorkeep::test;
using Op = FakeVaultStore::Op;

namespace {

// A fresh fake store, model and window; the window goes first.
struct WindowHarness : AppHarness {
    WindowHarness()
        : view(std::make_unique<ContentView>(*model)) {}

    ~WindowHarness() {
        store->releaseAll();
        view.reset();
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return view->findChild<T*>(name);
    }

    QMessageBox* alert() const { return find<QMessageBox>(u"errorAlert"_qs); }

    std::unique_ptr<ContentView> view;
};

} // namespace

class ContentViewTest : public QObject {
    Q_OBJECT

private slots:
    void windowIsTitledAndHasTheMinimumContentSize() {
        WindowHarness h;
        QCOMPARE(h.view->windowTitle(), u"Moorkeep"_qs);
        QCOMPARE(h.view->centralWidget()->minimumSize(), QSize(880, 560));
        h.view->show();
        QVERIFY(h.view->centralWidget()->width() >= 880);
        QVERIFY(h.view->centralWidget()->height() >= 560);
    }

    void showsOnlyTheSpinnerAndToolbarWhileLoading() {
        WindowHarness h;
        h.store->hold(Op::loadData);
        h.view->show();
        QTRY_VERIFY(h.store->isHeld(Op::loadData));

        auto* spinner = h.find<LoadingSpinner>(u"loadingIndicator"_qs);
        QVERIFY(spinner && spinner->isVisible());
        QVERIFY(spinner->isSpinning());
        QVERIFY(!h.find(u"splitView"_qs)->isVisible());
        QVERIFY(h.find(u"toggleSidebarButton"_qs)->isVisible());
        QVERIFY(h.find(u"viewSwitch"_qs)->isVisible());

        h.store->release(Op::loadData);
        QTRY_VERIFY(h.find(u"splitView"_qs)->isVisible());
        QVERIFY(!spinner->isVisible());
        QVERIFY(!spinner->isSpinning());
        auto* sidebar = h.find(u"hostsSidebar"_qs);
        QVERIFY(sidebar && sidebar->isVisible());
        QVERIFY(h.find(u"hostsDetail"_qs)->isVisible());
        QCOMPARE(sidebar->findChild<QLabel*>(u"summaryLabel"_qs)->text(), u"3 host(s)"_qs);
    }

    void loadsEachTimeTheWindowAppears() {
        WindowHarness h;
        QVERIFY(h.store->calls(Op::loadData).empty());
        h.view->show();
        QTRY_COMPARE(h.store->calls(Op::loadData).size(), 1u);
        h.view->hide();
        h.view->show();
        QTRY_COMPARE(h.store->calls(Op::loadData).size(), 2u);
    }

    void failedLoadShowsTheAlertUntilOkIsPressed() {
        WindowHarness h;
        h.store->fail(Op::loadData, "Permission denied: ~/.ssh");
        h.view->show();

        QTRY_VERIFY(h.alert() && h.alert()->isVisible());
        QMessageBox* alert = h.alert();
        QCOMPARE(alert->windowTitle(), u"Something went wrong"_qs);
        QCOMPARE(alert->text(), u"Permission denied: ~/.ssh"_qs);
        QCOMPARE(alert->buttons().size(), 1);
        QCOMPARE(alert->buttons().at(0)->text().remove(u'&'), u"OK"_qs);
        QVERIFY(!h.find(u"loadingIndicator"_qs)->isVisible());

        alert->buttons().at(0)->click();
        QVERIFY(!h.model->errorMessage());
        QTRY_VERIFY(!h.alert());
    }

    void dismissingTheAlertAnyOtherWayClearsTheError() {
        WindowHarness h;
        h.store->fail(Op::loadData, "gone");
        h.view->show();
        QTRY_VERIFY(h.alert());

        QTest::keyClick(h.alert(), Qt::Key_Escape);

        QTRY_VERIFY(!h.model->errorMessage());
        QTRY_VERIFY(!h.alert());
    }

    void newerErrorReplacesTheTextOfTheOpenAlert() {
        WindowHarness h;
        h.view->show();
        QTRY_VERIFY(!h.model->isLoading());
        h.store->fail(Op::rescanKeys, "first failure");
        h.model->refreshKeys();
        QTRY_VERIFY(h.alert());
        QMessageBox* alert = h.alert();

        h.store->fail(Op::rescanKeys, "second failure");
        h.model->refreshKeys();

        QTRY_COMPARE(alert->text(), u"second failure"_qs);
        QCOMPARE(h.view->findChildren<QMessageBox*>().size(), 1);
        QCOMPARE(h.alert(), alert);
    }

    void viewSwitchFollowsAndSetsTheTab() {
        WindowHarness h;
        h.view->show();
        QTRY_VERIFY(!h.model->isLoading());
        auto* viewSwitch = h.find(u"viewSwitch"_qs);
        QCOMPARE(viewSwitch->accessibleName(), u"View"_qs);
        QCOMPARE(viewSwitch->width(), 220);
        auto* hostsButton = h.find<QToolButton>(u"hostsTabButton"_qs);
        auto* keysButton = h.find<QToolButton>(u"keysTabButton"_qs);
        QCOMPARE(hostsButton->text(), u"Hosts"_qs);
        QCOMPARE(keysButton->text(), u"Keys"_qs);
        QVERIFY(hostsButton->isChecked());

        keysButton->click();

        QCOMPARE(h.model->tab(), AppTab::keys);
        QVERIFY(!hostsButton->isChecked());
        QTRY_VERIFY(h.find(u"keysSidebar"_qs) && h.find(u"keysSidebar"_qs)->isVisible());
        QVERIFY(h.find(u"keysDetail"_qs)->isVisible());
        QVERIFY(!h.find(u"hostsSidebar"_qs));

        h.model->setTab(AppTab::hosts);
        QVERIFY(hostsButton->isChecked());
        QVERIFY(h.find(u"hostsSidebar"_qs));
    }

    void viewSwitchIsCentredInTheToolbar() {
        WindowHarness h;
        h.view->show();
        auto* toolBar = h.find<QToolBar>(u"mainToolBar"_qs);
        auto* viewSwitch = h.find(u"viewSwitch"_qs);
        int switchCentre = viewSwitch->mapTo(toolBar, viewSwitch->rect().center()).x();
        QVERIFY(qAbs(switchCentre - toolBar->rect().center().x()) <= 2);
    }

    void screensKeepTheirStateAcrossTabSwitches() {
        WindowHarness h;
        h.view->show();
        QTRY_VERIFY(!h.model->isLoading());
        h.view->hostsState().search = u"web"_qs;
        h.view->hostsState().selectedId = "cfg-web";

        h.model->setTab(AppTab::keys);
        h.model->setTab(AppTab::hosts);

        auto* sidebar = h.find<HostsSidebar>(u"hostsSidebar"_qs);
        QCOMPARE(&sidebar->state(), &h.view->hostsState());
        QCOMPARE(sidebar->state().search, u"web"_qs);
        QCOMPARE(sidebar->state().selectedId, std::optional<std::string>("cfg-web"));
    }

    void sidebarToggleCollapsesThenExpands() {
        WindowHarness h;
        h.view->show();
        QVERIFY(QTest::qWaitForWindowActive(h.view.get()));
        QTRY_VERIFY(!h.model->isLoading());
        auto* toggle = h.find<QToolButton>(u"toggleSidebarButton"_qs);
        QAction* action = toggle->defaultAction();
        QCOMPARE(action->toolTip(), u"Toggle Sidebar"_qs);
        QVERIFY(action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::META | Qt::Key_S)));
        QVERIFY(action->shortcuts().contains(QKeySequence(Qt::Key_F9)));
        auto* splitView = h.find<AppKitSplitView>(u"splitView"_qs);
        int expanded = splitView->sidebarWidth();
        QVERIFY(expanded >= AppKitSplitView::minimumSidebarWidth);

        QTest::keyClick(h.view.get(), Qt::Key_S, Qt::ControlModifier | Qt::MetaModifier);
        QVERIFY(h.view->isSidebarCollapsed());
        QTRY_COMPARE(splitView->sidebarWidth(), 0);

        QTest::keyClick(h.view.get(), Qt::Key_F9);
        QVERIFY(!h.view->isSidebarCollapsed());
        QTRY_COMPARE(splitView->sidebarWidth(), expanded);

        toggle->click();
        QTRY_COMPARE(splitView->sidebarWidth(), 0);
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
        QCOMPARE(store->calls(Op::loadData).size(), 0u);
    }
};

MOORKEEP_APP_TEST_MAIN(ContentViewTest)

#include "content_view_test.moc"
