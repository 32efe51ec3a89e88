#include "support/app_test.h"
#include "support/app_under_test.h"

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
                                      u"checkConfigurationAction"_qs};
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
};

MOORKEEP_APP_TEST(MainMenuTest);

#include "main_menu_test.moc"
