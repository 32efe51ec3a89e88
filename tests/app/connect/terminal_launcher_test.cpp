#include "connect/connect_features.h"
#include "connect/host_shortlist.h"
#include "support/app_test.h"
#include "support/app_under_test.h"

// Connecting starts a terminal with the argument list.
class TerminalLauncherTest : public QObject {
    Q_OBJECT

private slots:
    void everyConnectStartsTheTerminalWithTheArgumentList_data() {
        QTest::addColumn<QString>("from");
        for (const char* from : {"button", "double-click", "Ctrl+Return", "tray favourite"})
            QTest::newRow(from) << QString::fromLatin1(from);
    }

    void everyConnectStartsTheTerminalWithTheArgumentList() {
        QFETCH(QString, from);
        AppUnderTest h;
        if (from == u"button"_qs) {
            h.find<QPushButton>(u"connectHostButton"_qs)->click();
        } else if (from == u"double-click"_qs) {
            auto* list = h.find<QListView>(u"hostList"_qs);
            const QModelIndexList shown = list->model()->match(
                list->model()->index(0, 0), Qt::DisplayRole, u"db-me"_qs, 1, Qt::MatchExactly);
            QCOMPARE(shown.size(), 1);
            // A double click: press and release, then the second press.
            const QPoint centre = list->visualRect(shown.front()).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        } else if (from == u"Ctrl+Return"_qs) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        } else {
            h.action(u"favouriteHostAction"_qs)->trigger();
            QCOMPARE(h.action(u"favouriteHostAction"_qs)->text(), u"Remove from &Favourites"_qs);
            QMenu* connectMenu = h.app->connectFeatures().trayMenu();
            QCOMPARE(connectMenu->actions().size(), 1);
            connectMenu->actions().front()->trigger();
        }
        QTRY_COMPARE(h.ran(u"xdg-terminal-exec"_qs), connectArguments);
        QCOMPARE(h.app->connectFeatures().shortlist().recents(), QStringList{u"db-me"_qs});
        QVERIFY(!QFile::exists(u"ran"_qs));
    }
};

MOORKEEP_APP_TEST(TerminalLauncherTest);

#include "terminal_launcher_test.moc"
