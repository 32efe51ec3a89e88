#include "content_view.h"
#include "hosts/host_dialog.h"
#include "support/app_test.h"

#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

using namespace moorkeep;
using namespace moorkeep::test;

class HostGroupsTest : public QObject {
    Q_OBJECT

private slots:
    // Ctrl+D, from the search field where the window opens, makes a new
    // host of web's values; saving adds it beside web.
    void duplicateOpensAddHostFilledFromTheSelectedHost() {
        AppHarness h;
        ContentView view(*h.model);
        view.show();
        QApplication::setActiveWindow(&view);
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTRY_VERIFY(!h.model->isLoading());
        view.hostsState().setSelectedId("cfg-web");
        auto* search = view.findChild<QLineEdit*>(u"hostsSearchField"_qs);
        search->setFocus(Qt::OtherFocusReason);

        QTest::keyClick(search, Qt::Key_D, Qt::ControlModifier);
        HostDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = view.findChild<HostDialog*>(u"hostDialog"_qs)));
        auto field = [&](const QString& name) {
            return dialog->findChild<QLineEdit*>(name)->text();
        };
        QCOMPARE(dialog->windowTitle(), u"Add Host"_qs);
        QVERIFY(!dialog->existing());
        QCOMPARE(field(u"aliasField"_qs), u"web-copy"_qs);
        QCOMPARE(field(u"hostnameField"_qs), u"web.example.org"_qs);
        QCOMPARE(dialog->record().keyId, std::optional<std::string>("key-id_ed25519"));
        QVERIFY(dialog->canSave());

        dialog->findChild<QPushButton*>(u"saveButton"_qs)->click();
        QTRY_COMPARE(h.model->hosts().size(), 4u);
        const auto& hosts = h.model->hosts();
        const auto copy = std::find_if(hosts.begin(), hosts.end(), [](const SSHHost& host) {
            return host.alias == "web-copy";
        });
        QVERIFY(copy != hosts.end());
        QCOMPARE(copy->source, HostSource::user);
        QCOMPARE(copy->keyId, std::optional<std::string>("key-id_ed25519"));
        const std::string copyId = copy->id;
        QTRY_COMPARE(view.hostsState().selectedId(), std::optional(copyId));
    }
};

MOORKEEP_APP_TEST_MAIN(HostGroupsTest)

#include "host_groups_test.moc"
