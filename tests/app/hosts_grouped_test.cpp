#include "app_settings.h"
#include "content_view.h"
#include "hosts/host_detail_view.h"
#include "sidebar_list_model.h"
#include "stores/system_vault_store.h"
#include "stores/user_meta_store.h"
#include "support/app_test.h"
#include "support/shown_texts.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QSettings>

using namespace moorkeep;
using namespace moorkeep::test;

namespace {

std::string home() {
    return qEnvironmentVariable("HOME").toStdString();
}

// ~/.ssh/config includes a folder of one file first, and one host is kept in
// the metadata file; the window's settings start empty.
void writeHome() {
    writeFile(home() + "/.ssh/config", "Include config.d/*\n"
                                       "Host web\n  HostName web.example.org\n"
                                       "Host db\n  HostName db.example.org\n");
    writeFile(home() + "/.ssh/config.d/work", "Host build\n  HostName build.example.org\n"
                                              "Host ci\n  HostName ci.example.org\n");
    UserMeta meta;
    SSHHost kept = configHost("kept");
    kept.id = "KEPT";
    kept.source = HostSource::user;
    meta.hosts = {kept};
    UserMetaStore(UserMetaStore::defaultPath(home())).save(meta);
    AppSettings::open()->clear();
}

// The rows as they read: a group's row as its title, its count and "folded"
// when it is.
QStringList rows(const QListView* list) {
    QStringList shown;
    const QAbstractItemModel* model = list->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (index.flags() & Qt::ItemIsSelectable) {
            shown << index.data().toString();
            continue;
        }
        shown << index.data().toString() + u' ' +
                     QString::number(index.data(SidebarListModel::EntryCountRole).toInt()) +
                     (index.data(SidebarListModel::CollapsedRole).toBool() ? u" folded"_qs
                                                                           : QString());
    }
    return shown;
}

// A window on the home's system store, loaded, on the Hosts tab.
struct Window {
    Window()
        : model(std::make_shared<SystemVaultStore>())
        , view(model) {
        view.show();
        QApplication::setActiveWindow(&view);
        if (!QTest::qWaitFor([&] { return !model.isLoading(); }))
            qFatal("the window did not load");
    }

    QListView* list() const { return view.findChild<QListView*>(u"hostList"_qs); }
    std::string idOf(const std::string& alias) const {
        for (const auto& host : model.hosts())
            if (host.alias == alias)
                return host.id;
        return {};
    }

    // The host the detail pane shows.
    std::string shownAlias() const {
        const auto* detail = view.findChild<HostDetailView*>(u"hostDetailView"_qs);
        return detail ? detail->host().alias : std::string();
    }

    AppModel model;
    ContentView view;
};

} // namespace

class HostsGroupedTest : public QObject {
    Q_OBJECT

private slots:
    void init() { writeHome(); }

    // Ctrl+Shift+G groups the list under each file, ~/.ssh/config first,
    // the stored host last; the search narrows the groups and their counts.
    void groupsFollowTheFilesAndTheSearch() {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.view));
        QAbstractItemModelTester tester(w.list()->model());
        const QStringList flat = strings({"build", "ci", "web", "db", "kept"});
        QCOMPARE(rows(w.list()), flat);

        QTest::keyClick(&w.view, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rows(w.list()), strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 2",
                                          "build", "ci", "Stored in Moorkeep 1", "kept"}));
        QVERIFY(w.view.findChild<QAction*>(u"groupByFileAction"_qs)->isChecked());

        w.view.hostsState().setSearch(u"ci"_qs);
        QCOMPARE(rows(w.list()), strings({"~/.ssh/config.d/work 1", "ci"}));
        w.view.hostsState().setSearch(u"b"_qs);
        QCOMPARE(rows(w.list()),
                 strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 1", "build"}));

        w.view.hostsState().setSearch({});
        QTest::keyClick(&w.view, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rows(w.list()), flat);
    }

    // In the list, Left folds the selected host's group, Space and Enter on
    // a group's row turn it over, Right unfolds it, a click too; arrows pass
    // to the next host, which the detail then shows. A new window keeps the
    // grouping and the folded group.
    void keysAndClicksFoldGroupsAndANewWindowRemembers() {
        {
            Window w;
            QVERIFY(QTest::qWaitForWindowActive(&w.view));
            w.view.hostsState().grouping().setOn(true);
            w.view.hostsState().setSelectedId(w.idOf("build"));
            QListView* list = w.list();
            list->setFocus(Qt::OtherFocusReason);
            QTRY_VERIFY(list->hasFocus());

            QTest::keyClick(list, Qt::Key_Left);
            QCOMPARE(rows(list),
                     strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 2 folded",
                              "Stored in Moorkeep 1", "kept"}));
            QCOMPARE(list->currentIndex().row(), 3);
            QTest::keyClick(list, Qt::Key_Space);
            QCOMPARE(rows(list).at(3), u"~/.ssh/config.d/work 2"_qs);
            QTest::keyClick(list, Qt::Key_Return);
            QCOMPARE(rows(list).at(3), u"~/.ssh/config.d/work 2 folded"_qs);
            QTest::keyClick(list, Qt::Key_Right);
            QCOMPARE(rows(list).at(4), u"build"_qs);
            QCOMPARE(w.view.hostsState().selectedId(), w.idOf("build"));

            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(0, 0)).center());
            QCOMPARE(rows(list).at(0), u"~/.ssh/config 2 folded"_qs);
            QCOMPARE(rows(list).at(1), u"~/.ssh/config.d/work 2"_qs);

            list->setCurrentIndex(list->model()->index(2, 0));
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(w.view.hostsState().selectedId(), w.idOf("ci"));
            QTRY_COMPARE(w.shownAlias(), std::string("ci"));
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(w.view.hostsState().selectedId(), std::optional<std::string>("KEPT"));
        }
        Window again;
        QCOMPARE(rows(again.list()), strings({"~/.ssh/config 2 folded", "~/.ssh/config.d/work 2",
                                              "build", "ci", "Stored in Moorkeep 1", "kept"}));
    }
};

MOORKEEP_APP_TEST_MAIN(HostsGroupedTest)
#include "hosts_grouped_test.moc"
