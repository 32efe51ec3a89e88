#include "menubar/tray_menu.h"
#include "support/app_test.h"

#include <QAction>

using namespace moorkeep;
using namespace moorkeep::test;

class TrayMenuTest : public QObject {
    Q_OBJECT

private slots:
    void headingKeysWindowUpdatesQuitInThatOrder() {
        AppHarness h;
        QFuture<void> loaded = h.model->load();
        QTRY_VERIFY(loaded.isFinished());
        QAction check(u"Check for Updates…"_qs);
        QAction quit(u"Quit Moorkeep"_qs);
        int windowsOpened = 0;
        TrayMenu menu(*h.model, {[&] { ++windowsOpened; }, &check, &quit});

        QStringList layout;
        for (QAction* item : menu.actions())
            layout.append(item->isSeparator() ? u"--"_qs : item->text());
        QCOMPARE(layout, (QStringList{u"Moorkeep"_qs, u"--"_qs, u"Laptop \u2014 ed25519"_qs,
                                      u"Work \u2014 ed25519"_qs, u"--"_qs, u"Show Window"_qs,
                                      u"Check for Updates…"_qs, u"--"_qs, u"Quit Moorkeep"_qs}));
        QVERIFY(!menu.actions().first()->isEnabled());
        QCOMPARE(menu.actions()[8], &quit);

        menu.findChild<QAction*>(u"showWindowAction"_qs)->trigger();
        QCOMPARE(windowsOpened, 1);

        // The shared update entry keeps its place and state across rebuilds.
        check.setEnabled(false);
        QCOMPARE(menu.actions()[6], &check);
        QVERIFY(!menu.actions()[6]->isEnabled());
        menu.findChild<QAction*>(u"showWindowAction"_qs)->trigger();
        QCOMPARE(windowsOpened, 2);
    }
};

MOORKEEP_APP_TEST_MAIN(TrayMenuTest)

#include "tray_menu_test.moc"
