#include "screen/sidebar_list_model.h"
#include "support/app_test.h"
#include "support/app_under_test.h"

#include <QContextMenuEvent>
#include <QListView>

Q_DECLARE_METATYPE(moorkeep::AppTab)

// The window's Host and Key menus.
class MainMenuTest : public QObject {
    Q_OBJECT

private slots:
    // The entries of the Host and Key menus that work, with their keys: only
    // the shown tab's, those about a selection only with one, and a
    // passphrase only where its state is known.
    void menuEntriesApplyToTheShownTabAndSelection_data() {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<QString>("selected"); // empty for none
        QTest::addColumn<QStringList>("enabled");
        const QStringList hostEntries{u"addHostAction Ctrl+N"_qs,
                                      u"findHostAction Ctrl+F"_qs,
                                      u"defaultsAction Ctrl+Shift+D"_qs,
                                      u"groupByFileAction Ctrl+Shift+G"_qs,
                                      u"installKeyAction"_qs,
                                      u"checkConfigurationAction"_qs,
                                      u"historyAction"_qs};
        const QStringList keyEntries{u"generateKeyAction Ctrl+N"_qs, u"keysSearchAction Ctrl+F"_qs,
                                     u"rescanKeysAction F5"_qs, u"installKeyAction"_qs};
        const QStringList keyChoice{u"renameKeyAction F2"_qs, u"deleteKeyAction Del"_qs,
                                    u"copyPublicKeyAction Ctrl+Shift+C"_qs,
                                    u"copyFingerprintAction Ctrl+Shift+F"_qs};
        QTest::newRow("host selected")
            << AppTab::hosts << u"cfg-web"_qs
            << hostEntries +
                   QStringList{
                       u"editHostAction Ctrl+E"_qs,         u"duplicateHostAction Ctrl+D"_qs,
                       u"deleteHostAction Del"_qs,          u"copyCommandAction Ctrl+Shift+C"_qs,
                       u"connectHostAction Ctrl+Return"_qs, u"favouriteHostAction"_qs};
        QTest::newRow("no host selected") << AppTab::hosts << QString() << hostEntries;
        QTest::newRow("key selected")
            << AppTab::keys << u"key-id_ed25519"_qs
            << keyEntries + keyChoice + QStringList{u"passphraseAction Ctrl+Shift+P"_qs};
        QTest::newRow("key of unknown protection")
            << AppTab::keys << u"key-id_odd"_qs << keyEntries + keyChoice;
        QTest::newRow("no key selected") << AppTab::keys << QString() << keyEntries;
    }

    void menuEntriesApplyToTheShownTabAndSelection() {
        QFETCH(AppTab, tab);
        QFETCH(QString, selected);
        QFETCH(QStringList, enabled);
        AppUnderTest t;
        t.app->model().setTab(tab);
        const std::optional<std::string> id =
            selected.isEmpty() ? std::nullopt : std::optional(selected.toStdString());
        if (tab == AppTab::hosts)
            t.window()->hostsState().setSelectedId(id);
        else
            t.window()->keysState().setSelectedId(id);

        QStringList live;
        for (const QString& menu : {u"hostMenu"_qs, u"keyMenu"_qs})
            for (QAction* action : t.menu(menu)->actions())
                if (!action->isSeparator() && !action->menu() && action->isEnabled())
                    live << (action->objectName() + u' ' + action->shortcut().toString()).trimmed();
        std::sort(live.begin(), live.end());
        std::sort(enabled.begin(), enabled.end());
        QCOMPARE(live, enabled);
    }

    // The View menu holds the sidebar and the grouping. A row's context menu
    // (a right click, or the Menu key on the list's current row) selects that
    // row and shows the screen's menu.
    void viewMenuAndRowContextMenus() {
        AppUnderTest t;
        QStringList view;
        for (QAction* action : t.menu(u"viewMenu"_qs)->actions())
            view << action->objectName();
        QCOMPARE(view, (QStringList{u"toggleSidebarAction"_qs, u"groupByFileAction"_qs}));
        for (AppTab tab : {AppTab::hosts, AppTab::keys}) {
            t.app->model().setTab(tab);
            const bool hosts = tab == AppTab::hosts;
            QListView* list = nullptr;
            QTRY_VERIFY((list = t.find<QListView>(hosts ? u"hostList"_qs : u"keyListView"_qs)));
            auto* rows = static_cast<SidebarListModel*>(list->model());
            const QRect second = list->visualRect(rows->index(1));
            QContextMenuEvent click(QContextMenuEvent::Mouse, second.center(),
                                    list->viewport()->mapToGlobal(second.center()));
            QApplication::sendEvent(list->viewport(), &click);
            ScreenState& state = hosts ? static_cast<ScreenState&>(t.window()->hostsState())
                                       : t.window()->keysState();
            QCOMPARE(state.selectedId(), std::optional(rows->idAt(1)));
            QMenu* menu = t.menu(hosts ? u"hostMenu"_qs : u"keyMenu"_qs);
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
        }
    }
};

MOORKEEP_APP_TEST(MainMenuTest);

#include "main_menu_test.moc"
