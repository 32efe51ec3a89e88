#include "application/app_settings.h"
#include "hosts/host_detail_view.h"
#include "metadata/user_meta_store.h"
#include "screen/sidebar_list_model.h"
#include "stores/system_vault_store.h"
#include "support/app_test.h"

namespace {

// ~/.ssh/config includes a folder of one file first, and one host is kept in
// the metadata file.
void writeHome() {
    const std::string home = qEnvironmentVariable("HOME").toStdString();
    writeFile(home + "/.ssh/config", "Include config.d/*\n"
                                     "Host web\n  HostName web.example.org\n"
                                     "Host db\n  HostName db.example.org\n");
    writeFile(home + "/.ssh/config.d/work", "Host build\n  HostName build.example.org\n"
                                            "Host ci\n  HostName ci.example.org\n");
    UserMeta meta;
    SSHHost kept = configHost("kept");
    kept.id = "KEPT";
    kept.source = HostSource::user;
    meta.hosts = {kept};
    UserMetaStore(UserMetaStore::defaultPath(home)).save(meta);
}

// The list's rows as they read: a group's row as its title, its count and
// "folded" when it is.
QStringList rows(const StoreWindow& w) {
    QStringList shown;
    const QAbstractItemModel* model = w.find<QListView>(u"hostList"_qs)->model();
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

} // namespace

// The Hosts list grouped under the files the hosts come from.
class HostGroupingTest : public QObject {
    Q_OBJECT

private slots:
    // Every window starts on empty settings.
    void init() { AppSettings::open()->clear(); }

    // Ctrl+Shift+G groups the list under each file, ~/.ssh/config first,
    // the stored host last; the search narrows the groups and their counts.
    void groupsFollowTheFilesAndTheSearch() {
        writeHome();
        StoreWindow w(std::make_shared<SystemVaultStore>());
        QVERIFY(QTest::qWaitForWindowActive(&w.view));
        QAbstractItemModelTester tester(w.find<QListView>(u"hostList"_qs)->model());
        const QStringList flat = strings({"build", "ci", "web", "db", "kept"});
        QCOMPARE(rows(w), flat);

        QTest::keyClick(&w.view, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rows(w), strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 2",
                                   "build", "ci", "Stored in Moorkeep 1", "kept"}));
        QVERIFY(w.view.findChild<QAction*>(u"groupByFileAction"_qs)->isChecked());

        w.view.hostsState().setSearch(u"ci"_qs);
        QCOMPARE(rows(w), strings({"~/.ssh/config.d/work 1", "ci"}));
        w.view.hostsState().setSearch(u"b"_qs);
        QCOMPARE(rows(w),
                 strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 1", "build"}));

        w.view.hostsState().setSearch({});
        QTest::keyClick(&w.view, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rows(w), flat);
    }

    // In the list, Left folds the selected host's group (the first host
    // shown is then selected), Space and Enter on a group's row turn it
    // over, Right unfolds it, a click too; arrows pass
    // to the next host, which the detail then shows. A new window keeps the
    // grouping and the folded group.
    void keysAndClicksFoldGroupsAndANewWindowRemembers() {
        writeHome();
        {
            StoreWindow w(std::make_shared<SystemVaultStore>());
            QVERIFY(QTest::qWaitForWindowActive(&w.view));
            w.view.hostsState().grouping().setOn(true);
            w.view.hostsState().setSelectedId(w.host("build")->id);
            QListView* list = w.find<QListView>(u"hostList"_qs);
            list->setFocus(Qt::OtherFocusReason);
            QTRY_VERIFY(list->hasFocus());

            QTest::keyClick(list, Qt::Key_Left);
            QCOMPARE(rows(w),
                     strings({"~/.ssh/config 2", "web", "db", "~/.ssh/config.d/work 2 folded",
                              "Stored in Moorkeep 1", "kept"}));
            QCOMPARE(list->currentIndex().row(), 3);
            // The fold hid the selected host: the first one shown is selected.
            QCOMPARE(w.view.hostsState().selectedId(), w.host("web")->id);
            QTest::keyClick(list, Qt::Key_Space);
            QCOMPARE(rows(w).at(3), u"~/.ssh/config.d/work 2"_qs);
            QTest::keyClick(list, Qt::Key_Return);
            QCOMPARE(rows(w).at(3), u"~/.ssh/config.d/work 2 folded"_qs);
            QTest::keyClick(list, Qt::Key_Right);
            QCOMPARE(rows(w).at(4), u"build"_qs);

            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(0, 0)).center());
            QCOMPARE(rows(w).at(0), u"~/.ssh/config 2 folded"_qs);
            QCOMPARE(rows(w).at(1), u"~/.ssh/config.d/work 2"_qs);

            list->setCurrentIndex(list->model()->index(2, 0));
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(w.view.hostsState().selectedId(), w.host("ci")->id);
            QTRY_VERIFY(w.find<HostDetailView>(u"hostDetailView"_qs) &&
                        w.find<HostDetailView>(u"hostDetailView"_qs)->host().alias == "ci");
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(w.view.hostsState().selectedId(), std::optional<std::string>("KEPT"));
        }
        StoreWindow again(std::make_shared<SystemVaultStore>());
        QCOMPARE(rows(again), strings({"~/.ssh/config 2 folded", "~/.ssh/config.d/work 2", "build",
                                       "ci", "Stored in Moorkeep 1", "kept"}));
    }
};

MOORKEEP_APP_TEST(HostGroupingTest);

#include "host_grouping_test.moc"
