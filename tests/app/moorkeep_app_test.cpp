#include "app_model.h"
#include "content_view.h"
#include "moorkeep_app.h"
#include "support/app_test_main.h"
#include "support/fake_vault_store.h"
#include "support/sample_vault.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QtTest>

using namespace moorkeep;
using namespace moorkeep::test;
using Op = FakeVaultStore::Op;

class MoorkeepAppTest : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeVaultStore> store_;

    std::unique_ptr<MoorkeepApp> start() {
        return std::make_unique<MoorkeepApp>([this] { return store_; });
    }

private slots:
    void init() { store_ = std::make_shared<FakeVaultStore>(sampleVault()); }
    void cleanup() {
        store_->releaseAll();
        store_.reset();
    }

    void startUpOpensTheWindowAndLoadsFromTheChosenStore() {
        auto app = start();
        ContentView* window = app->mainWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), u"Moorkeep"_qs);
        QTRY_VERIFY(!app->model().isLoading());
        QCOMPARE(app->model().hosts(), sampleVault().hosts);
        QCOMPARE(store_->calls(Op::loadData).size(), 1u);
    }

    void reopenedWindowIsMadeAnewAndLoadsAgain() {
        auto app = start();
        QTRY_VERIFY(!app->model().isLoading());
        QPointer<ContentView> first = app->mainWindow();
        first->hostsState().search = u"db"_qs;

        first->close();
        QTRY_VERIFY(!first);
        QVERIFY(!app->mainWindow());
        app->showMainWindow();

        QVERIFY(app->mainWindow() && app->mainWindow()->isVisible());
        QVERIFY(app->mainWindow()->hostsState().search.isEmpty());
        QTRY_COMPARE(store_->calls(Op::loadData).size(), 2u);
    }

    void menusHoldQuitAndAbout() {
        auto app = start();
        QMenuBar* menuBar = app->mainWindow()->menuBar();
        auto* applicationMenu = menuBar->findChild<QMenu*>(u"applicationMenu"_qs);
        auto* helpMenu = menuBar->findChild<QMenu*>(u"helpMenu"_qs);
        QVERIFY(applicationMenu && helpMenu);

        QAction* quit = applicationMenu->actions().value(0);
        QCOMPARE(quit->text(), u"Quit Moorkeep"_qs);
        QCOMPARE(quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(helpMenu->title().remove(u'&'), u"Help"_qs);
        QCOMPARE(helpMenu->actions().value(0)->text(), u"About Moorkeep"_qs);
    }

    // The offscreen platform, like a desktop without a tray, cannot show a
    // tray icon: closing the window must end the program.
    void closingTheWindowQuitsWhereNoTrayCanBringItBack() {
        auto app = start();
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(QApplication::quitOnLastWindowClosed());

        QSystemTrayIcon icon;
        app->setTrayIcon(&icon);
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }
};

MOORKEEP_APP_TEST_MAIN(MoorkeepAppTest)

#include "moorkeep_app_test.moc"
