#include "content_view.h"
#include "keys/agent_notice.h"
#include "keys/key_detail_view.h"
#include "keys/key_list_model.h"
#include "keys/keys_state.h"
#include "menubar/keys_menu.h"
#include "stores/demo_vault_store.h"
#include "style/badge_label.h"
#include "support/app_test.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <atomic>

using namespace moorkeep;
using namespace moorkeep::test;

namespace {

// The demo data, whose agent holds "personal" and "github", and which
// starts without an agent until a test starts one.
class DemoWithAgent : public DemoVaultStore {
public:
    std::atomic<bool> running = false;

    AgentState agentKeys() override {
        if (!running)
            return {.problem = "No ssh-agent is running (SSH_AUTH_SOCK is not set)",
                    .fingerprints = {}};
        return DemoVaultStore::agentKeys();
    }
};

// The Keys tab on the demo data, its agent not running yet.
struct Window {
    Window() {
        model->setTab(AppTab::keys);
        view->show();
    }

    template <typename T = QWidget> T* find(const QString& name) const {
        return view->findChild<T*>(name);
    }
    KeyDetailView* detail() const { return find<KeyDetailView>(u"keyDetailView"_qs); }
    // Whether the list row of the key shows "In agent" (none while loading).
    bool rowInAgent(const QString& name) const {
        auto* view = find<QListView>(u"keyListView"_qs);
        const QModelIndexList rows =
            view ? view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, name, 1,
                                        Qt::MatchExactly)
                 : QModelIndexList();
        return !rows.isEmpty() && rows.front().data(KeyListModel::InAgentRole).toBool();
    }
    QStringList shownNotices() const {
        QStringList shown;
        for (auto* label : view->findChildren<QLabel*>())
            if (label->isVisible() && label->text().contains(u"ssh-agent"_qs))
                shown << label->text();
        return shown;
    }

    std::shared_ptr<DemoWithAgent> store = std::make_shared<DemoWithAgent>();
    std::unique_ptr<AppModel> model = std::make_unique<AppModel>(store);
    std::unique_ptr<ContentView> view = std::make_unique<ContentView>(*model);
};

} // namespace

class AgentBadgeTest : public QObject {
    Q_OBJECT

private slots:
    // Without an agent the tab says so once and offers no agent action; it
    // asks again on its own and takes the agent that appeared. The row, the
    // detail and the key menus then show what the agent holds, and follow an
    // add and a remove.
    void badgeFollowsTheAgentOnceThereIsOne() {
        Window w;
        QTRY_COMPARE(w.shownNotices(), QStringList{AgentNotice::text()});
        QTRY_VERIFY(w.detail());
        for (auto* button : {w.detail()->addToAgentButton(), w.detail()->removeFromAgentButton()}) {
            QVERIFY(!button->isEnabled());
            QCOMPARE(button->toolTip(), AgentNotice::text());
        }
        for (const auto* name : {"addToAgentAction", "removeFromAgentAction"}) {
            auto* action = w.find<QAction>(QString::fromLatin1(name));
            QVERIFY(!action->isEnabled());
            QCOMPARE(action->toolTip(), AgentNotice::text());
        }
        QVERIFY(!w.rowInAgent(u"personal"_qs));

        w.store->running = true;
        QTRY_VERIFY_WITH_TIMEOUT(w.shownNotices().isEmpty(), 15000);
        QVERIFY(w.rowInAgent(u"personal"_qs));
        QVERIFY(!w.rowInAgent(u"prod-deploy"_qs));
        KeysMenu copies(*w.model);
        w.view->keysState().setSelectedId("1"); // prod-deploy, protected
        QTRY_VERIFY(w.detail() && w.detail()->keyInfo().id == "1");
        QVERIFY(w.detail()->inAgentBadge()->isHidden());
        QVERIFY(!w.detail()->removeFromAgentButton()->isEnabled());
        QVERIFY(w.detail()->addToAgentButton()->isEnabled());

        w.find<QAction>(u"addToAgentAction"_qs)->trigger();
        QTRY_VERIFY(w.find<QDialog>(u"agentAddDialog"_qs));
        auto* dialog = w.find<QDialog>(u"agentAddDialog"_qs);
        auto* add = dialog->findChild<QPushButton*>(u"addButton"_qs);
        QVERIFY(!add->isEnabled());
        QTest::keyClicks(dialog->findChild<QLineEdit*>(u"agentPassphraseField"_qs), u"pw"_qs);
        dialog->findChild<QComboBox*>(u"agentLifetimeBox"_qs)->setCurrentIndex(2);
        add->click();
        QTRY_VERIFY(!w.find<QDialog>(u"agentAddDialog"_qs) ||
                    !w.find<QDialog>(u"agentAddDialog"_qs)->isVisible());
        QTRY_VERIFY(w.rowInAgent(u"prod-deploy"_qs));
        QTRY_VERIFY(!w.detail()->inAgentBadge()->isHidden());
        QVERIFY(w.detail()->removeFromAgentButton()->isEnabled());
        QVERIFY(!w.detail()->addToAgentButton()->isEnabled());
        QStringList marked;
        for (auto* item : copies.actions())
            if (item->property("inAgent").toBool())
                marked << item->text().section(u' ', 0, 0);
        QCOMPARE(marked, (QStringList{u"prod-deploy"_qs, u"personal"_qs, u"github"_qs}));

        w.detail()->removeFromAgentButton()->click();
        QTRY_VERIFY(!w.rowInAgent(u"prod-deploy"_qs));
        QTRY_VERIFY(w.detail()->inAgentBadge()->isHidden());
        QVERIFY(w.shownNotices().isEmpty());
    }
};

MOORKEEP_APP_TEST_MAIN(AgentBadgeTest)
#include "agent_badge_test.moc"
