#include "keys/keys_sidebar.h"

#include "app_model.h"
#include "keys/agent_notice.h"
#include "keys/key_list_model.h"
#include "keys/key_row_delegate.h"
#include "keys/keys_state.h"
#include "search_notice.h"
#include "shortcuts.h"
#include "style/card_frame.h"
#include "style/colors.h"
#include "style/symbol_label.h"
#include "style/symbols.h"
#include "style/type_ramp.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

QFrame* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

} // namespace

KeysSidebar::KeysSidebar(AppModel& model, KeysState& state, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , state_(state)
    , listModel_(new KeyListModel(this))
    , searchField_(new QLineEdit)
    , generateButton_(new QToolButton)
    , listView_(new QListView)
    , countLabel_(new QLabel)
    , noMatch_(SearchNotice::make()) {
    setObjectName(QStringLiteral("keysSidebar"));

    listView_->setObjectName(QStringLiteral("keyListView"));
    listView_->setAccessibleName(tr("Keys"));
    listView_->setModel(listModel_);
    listView_->setItemDelegate(new KeyRowDelegate(listView_));
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setUniformItemSizes(true);
    listView_->setFrameShape(QFrame::NoFrame);
    listView_->setMouseTracking(true);
    listView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    countLabel_->setObjectName(QStringLiteral("keyCountLabel"));
    countLabel_->setFont(TypeRamp::font(TypeRamp::Style::caption));
    QPalette countPalette = countLabel_->palette();
    countPalette.setColor(QPalette::WindowText, Colors::secondary());
    countLabel_->setPalette(countPalette);
    auto* footer = new QWidget;
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(12, 8, 12, 8);
    footerLayout->addWidget(countLabel_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildSearchRow());
    layout->addWidget(divider());
    layout->addWidget(listView_, 1);
    layout->addWidget(noMatch_, 1);
    layout->addWidget(new AgentNotice(model_, this));
    layout->addWidget(divider());
    layout->addWidget(footer);

    listModel_->setSearch(state_.search());
    listModel_->setHosts(model_.hosts());
    listModel_->setKeys(model_.keys());
    showHeldKeys();
    searchField_->setText(state_.search());

    // The tab was chosen: with nothing selected, the first of all keys is.
    if (!state_.selectedId() && !model_.keys().empty())
        state_.setSelectedId(model_.keys().front().id);

    connect(searchField_, &QLineEdit::textChanged, &state_, &KeysState::setSearch);
    connect(&state_, &KeysState::searchChanged, this, [this] {
        if (searchField_->text() != state_.search())
            searchField_->setText(state_.search());
        listModel_->setSearch(state_.search());
        showSelection();
        showNoMatch();
    });
    connect(&state_, &KeysState::selectedIdChanged, this, &KeysSidebar::showSelection);
    connect(&model_, &AppModel::keysChanged, this, &KeysSidebar::keysChanged);
    connect(&model_, &AppModel::hostsChanged, this,
            [this] { listModel_->setHosts(model_.hosts()); });
    connect(&model_, &AppModel::agentChanged, this, &KeysSidebar::showHeldKeys);
    connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &KeysSidebar::selectionChanged);
    connect(generateButton_, &QToolButton::clicked, this,
            [this] { state_.setSheet(KeySheet::generate()); });

    showSelection();
    showCount();
    showNoMatch();
}

QWidget* KeysSidebar::buildSearchRow() {
    searchField_->setObjectName(QStringLiteral("keysSearchField"));
    searchField_->setAccessibleName(tr("Search keys"));
    searchField_->setPlaceholderText(tr("Search keys…"));
    searchField_->setFrame(false);
    searchField_->setFont(TypeRamp::sized(13));
    searchField_->setClearButtonEnabled(false);
    searchField_->setAttribute(Qt::WA_MacShowFocusRect, false);
    searchField_->installEventFilter(this);
    QPalette fieldPalette = searchField_->palette();
    fieldPalette.setColor(QPalette::Base, Qt::transparent);
    searchField_->setPalette(fieldPalette);

    auto* box = new CardFrame(
        CardFrame::Look{[] { return Colors::controlBackground(); },
                        [] { return Colors::withOpacity(Colors::secondary(), 0.15); }, 6});
    box->setObjectName(QStringLiteral("keysSearchBox"));
    auto* boxLayout = new QHBoxLayout(box);
    boxLayout->setContentsMargins(8, 5, 8, 5);
    boxLayout->setSpacing(6);
    boxLayout->addWidget(
        new SymbolLabel(QStringLiteral("magnifyingglass"), 12, [] { return Colors::secondary(); }));
    boxLayout->addWidget(searchField_, 1);

    generateButton_->setObjectName(QStringLiteral("generateKeyButton"));
    generateButton_->setIcon(Symbols::icon(QStringLiteral("plus")));
    generateButton_->setToolTip(Shortcuts::tip(tr("Generate new key"), Shortcuts::add()));
    generateButton_->setAccessibleName(tr("Generate new key"));
    generateButton_->setAutoRaise(true);

    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(10, 10, 10, 10);
    rowLayout->setSpacing(8);
    rowLayout->addWidget(box, 1);
    rowLayout->addWidget(generateButton_);
    return row;
}

void KeysSidebar::keysChanged() {
    listModel_->setKeys(model_.keys());
    showHeldKeys();
    showSelection();
    showCount();
    showNoMatch();
}

void KeysSidebar::showHeldKeys() {
    std::set<std::string> held;
    for (const SSHKey& key : model_.keys())
        if (model_.agent().holds(key))
            held.insert(key.id);
    listModel_->setHeldKeys(std::move(held));
}

void KeysSidebar::showNoMatch() {
    SearchNotice::update(noMatch_, listView_, state_.search(),
                         tr("No keys match %1").arg(SearchNotice::quoted(state_.search())));
}

// Shows the state's selection in the list; a key the search hides leaves
// the list without a selection.
void KeysSidebar::showSelection() {
    showingSelection_ = true;
    auto* selection = listView_->selectionModel();
    const auto& id = state_.selectedId();
    if (auto row = id ? listModel_->rowOf(*id) : std::nullopt) {
        const QModelIndex index = listModel_->index(*row);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        listView_->scrollTo(index);
    } else {
        selection->clear();
    }
    showingSelection_ = false;
}

void KeysSidebar::selectionChanged() {
    if (showingSelection_)
        return;
    const auto rows = listView_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        state_.setSelectedId(std::nullopt);
    else
        state_.setSelectedId(rows.front().data(KeyListModel::KeyIdRole).toString().toStdString());
}

// Up and Down in the search field walk the list without leaving the field;
// Escape empties it, and Delete in it empty deletes the selected key.
bool KeysSidebar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == searchField_ && (SearchNotice::clearOnEscape(searchField_, event) ||
                                    SearchNotice::leavesDeleteToWindow(searchField_, event)))
        return true;
    if (watched == searchField_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            moveSelection(key == Qt::Key_Down ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KeysSidebar::moveSelection(int step) {
    const int rows = listModel_->rowCount();
    if (rows == 0)
        return;
    const auto current = listView_->selectionModel()->selectedRows();
    int row = current.isEmpty() ? (step > 0 ? 0 : rows - 1)
                                : std::clamp(current.front().row() + step, 0, rows - 1);
    state_.setSelectedId(
        listModel_->index(row).data(KeyListModel::KeyIdRole).toString().toStdString());
}

void KeysSidebar::showCount() {
    const auto count = model_.keys().size();
    countLabel_->setText(count == 1 ? tr("1 key") : tr("%1 keys").arg(count));
}

} // namespace moorkeep
