#include "keys/keys_sidebar.h"

#include "keys/agent_notice.h"
#include "keys/key_list_model.h"
#include "keys/key_row_delegate.h"
#include "model/app_model.h"
#include "style/symbols.h"
#include "window/shortcuts.h"

#include <QToolButton>

namespace moorkeep {

namespace {

QAbstractButton* generateButton(KeysState& state) {
    auto* generate = new QToolButton;
    generate->setObjectName(QStringLiteral("generateKeyButton"));
    generate->setIcon(Symbols::icon(QStringLiteral("plus")));
    generate->setToolTip(Shortcuts::tip(KeysSidebar::tr("Generate new key"), Shortcuts::add()));
    generate->setAccessibleName(KeysSidebar::tr("Generate new key"));
    generate->setAutoRaise(true);
    QObject::connect(generate, &QToolButton::clicked, generate,
                     [&state] { state.setSheet(KeySheet::generate()); });
    return generate;
}

KeyListModel* listedKeys(AppModel& model, KeysState& state) {
    auto* keys = new KeyListModel;
    keys->setSearch(state.search());
    keys->setHosts(model.hosts());
    keys->setKeys(model.keys());
    return keys;
}

} // namespace

KeysSidebar::KeysSidebar(AppModel& model, KeysState& state, QWidget* parent)
    : KeysSidebar(model, state, listedKeys(model, state), parent) {}

KeysSidebar::KeysSidebar(AppModel& model, KeysState& state, KeyListModel* listModel,
                         QWidget* parent)
    : Sidebar(state,
              {.objectName = QStringLiteral("keysSidebar"),
               .model = listModel,
               .delegate = new KeyRowDelegate,
               .listObjectName = QStringLiteral("keyListView"),
               .listAccessibleName = tr("Keys"),
               .searchObjectName = QStringLiteral("keysSearchField"),
               .searchAccessibleName = tr("Search keys"),
               .searchPlaceholder = tr("Search keys…"),
               .searchBoxObjectName = QStringLiteral("keysSearchBox"),
               .countObjectName = QStringLiteral("keyCountLabel"),
               .noMatchFormat = tr("No keys match %1"),
               .addButton = generateButton(state),
               .notice = new AgentNotice(model, nullptr),
               .searchBoxEdge = true,
               .searchToAddButton = 8},
              parent)
    , model_(model)
    , state_(state)
    , listModel_(listModel) {
    connect(&state_, &ScreenState::searchChanged, this,
            [this] { listModel_->setSearch(state_.search()); });
    // The list's reset brings the footer's count up to date.
    connect(&model_, &AppModel::keysChanged, this, [this] {
        listModel_->setKeys(model_.keys());
        showHeldKeys();
    });
    connect(&model_, &AppModel::agentChanged, this, &KeysSidebar::showHeldKeys);
    showHeldKeys();
    connect(&model_, &AppModel::hostsChanged, this,
            [this] { listModel_->setHosts(model_.hosts()); });
    connect(&model_, &AppModel::undoChanged, this, &Sidebar::forgetTyping);
    // The tab was chosen: with nothing selected, the first shown key is.
    if (!state_.selectedId())
        state_.setSelectedId(listModel_->firstEntryId());
    showCount();
}

void KeysSidebar::showHeldKeys() {
    std::set<std::string> held;
    for (const SSHKey& key : model_.keys())
        if (model_.agent().holds(key))
            held.insert(key.id);
    listModel_->setHeldKeys(std::move(held));
}

int KeysSidebar::allEntries() const {
    return int(model_.keys().size());
}

QString KeysSidebar::countText(int count, const QString& number) const {
    return count == 1 ? tr("1 key") : tr("%1 keys").arg(number);
}

} // namespace moorkeep
