#include "sidebar.h"

#include "screen/screen_state.h"
#include "screen/search_notice.h"
#include "screen/sidebar_list_model.h"
#include "style/card_frame.h"
#include "style/colors.h"
#include "style/symbol_label.h"
#include "style/tinted_label.h"
#include "style/type_ramp.h"

#include <QAbstractButton>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QVBoxLayout>
#include <algorithm>

namespace moorkeep {

Sidebar::Sidebar(ScreenState& state, Parts parts, QWidget* parent)
    : QWidget(parent)
    , state_(state)
    , listModel_(parts.model)
    , windowKeys_(parts.windowKeys)
    , noMatchFormat_(parts.noMatchFormat)
    , hairlineDividers_(parts.hairlineDividers) {
    setObjectName(parts.objectName);
    listModel_->setParent(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader(parts));
    layout->addWidget(divider());

    list_ = new QListView;
    list_->setObjectName(parts.listObjectName);
    list_->setAccessibleName(parts.listAccessibleName);
    list_->setModel(listModel_);
    parts.delegate->setParent(list_);
    list_->setItemDelegate(parts.delegate);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setMouseTracking(true);
    layout->addWidget(list_, 1);
    noMatch_ = SearchNotice::make();
    layout->addWidget(noMatch_, 1);
    if (parts.notice)
        layout->addWidget(parts.notice);
    layout->addWidget(divider());
    layout->addWidget(buildFooter(parts));

    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Sidebar::listSelectionChanged);
    connect(listModel_, &QAbstractItemModel::modelReset, this, &Sidebar::showSelection);
    connect(&state_, &ScreenState::selectedIdChanged, this, &Sidebar::showSelection);
    connect(listModel_, &QAbstractItemModel::modelReset, this, &Sidebar::showNoMatch);
    connect(listModel_, &QAbstractItemModel::rowsInserted, this, &Sidebar::showNoMatch);
    connect(listModel_, &QAbstractItemModel::rowsRemoved, this, &Sidebar::showNoMatch);
    connect(&state_, &ScreenState::searchChanged, this, &Sidebar::showNoMatch);
    connect(listModel_, &QAbstractItemModel::modelReset, this, &Sidebar::showCount);

    showSelection();
    showNoMatch();
    setTabOrder(search_, parts.addButton);
    setTabOrder(parts.addButton, list_);
    if (parts.footerButton)
        setTabOrder(list_, parts.footerButton);
}

QWidget* Sidebar::buildHeader(const Parts& parts) {
    CardFrame::Look look{Colors::controlBackground, nullptr, 6};
    if (parts.searchBoxEdge)
        look.edge = [] { return Colors::withOpacity(Colors::secondary(), 0.15); };
    auto* box = new CardFrame(look);
    box->setObjectName(parts.searchBoxObjectName);
    auto* boxLayout = new QHBoxLayout(box);
    boxLayout->setContentsMargins(8, 5, 8, 5);
    boxLayout->setSpacing(6);
    boxLayout->addWidget(new SymbolLabel(QStringLiteral("magnifyingglass"), 12, Colors::secondary));
    search_ = new QLineEdit;
    search_->setObjectName(parts.searchObjectName);
    search_->setAccessibleName(parts.searchAccessibleName);
    search_->setPlaceholderText(parts.searchPlaceholder);
    search_->setFrame(false);
    search_->setFont(TypeRamp::sized(13));
    search_->setClearButtonEnabled(parts.searchClearButton);
    // The field sits on the box's own fill.
    QPalette palette = search_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    search_->setPalette(palette);
    search_->setText(state_.search());
    search_->installEventFilter(this);
    connect(search_, &QLineEdit::textChanged, this,
            [this](const QString& text) { state_.setSearch(text); });
    connect(&state_, &ScreenState::searchChanged, this, [this] {
        if (search_->text() != state_.search())
            search_->setText(state_.search());
    });
    boxLayout->addWidget(search_, 1);

    auto* header = new QWidget;
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(parts.searchToAddButton);
    layout->addWidget(box, 1);
    layout->addWidget(parts.addButton);
    return header;
}

QWidget* Sidebar::buildFooter(const Parts& parts) {
    count_ =
        new TintedLabel(QString(), TypeRamp::font(TypeRamp::Style::caption), Colors::secondary);
    count_->setObjectName(parts.countObjectName);
    auto* footer = new QWidget;
    auto* layout = new QHBoxLayout(footer);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(count_);
    layout->addStretch();
    if (parts.footerButton)
        layout->addWidget(parts.footerButton);
    return footer;
}

QWidget* Sidebar::divider() const {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    if (!hairlineDividers_) {
        line->setForegroundRole(QPalette::Mid);
        return line;
    }
    line->setFixedHeight(1);
    line->setStyleSheet(
        QStringLiteral("color: %1;")
            .arg(Colors::withOpacity(Colors::secondary(), 0.3).name(QColor::HexArgb)));
    return line;
}

void Sidebar::setRowMenu(QMenu* menu) {
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, menu, [this, menu](const QPoint& at) {
        QModelIndex index = list_->indexAt(at);
        if (!index.isValid())
            index = list_->currentIndex();
        if (!index.isValid() || listModel_->isHeader(index.row()))
            return;
        state_.setSelectedId(listModel_->idAt(index.row()));
        menu->popup(list_->viewport()->mapToGlobal(list_->visualRect(index).center()));
    });
}

void Sidebar::showCount() {
    const int all = allEntries();
    const int shown = listModel_->entryCount();
    QLocale locale;
    // Thousands are grouped even in the C locale, which leaves them out.
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    const QString count = countText(all, locale.toString(all));
    count_->setText(shown == all ? count : tr("%1 of %2").arg(locale.toString(shown), count));
}

// Nothing acts on an entry the list does not show: when a search or a fold
// hides the selected entry, the first shown entry is selected instead, or
// none; an entry that is gone leaves nothing selected.
void Sidebar::showSelection() {
    QItemSelectionModel* selection = list_->selectionModel();
    const auto row = state_.selectedId() ? listModel_->rowOf(*state_.selectedId()) : std::nullopt;
    if (!row) {
        selection->clearSelection();
        if (state_.selectedId())
            state_.setSelectedId(listModel_->holds(*state_.selectedId())
                                     ? listModel_->firstEntryId()
                                     : std::nullopt);
        return;
    }
    const QModelIndex index = listModel_->index(*row);
    if (selection->isSelected(index) && selection->currentIndex() == index)
        return;
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(index);
}

void Sidebar::listSelectionChanged() {
    const QModelIndexList selected = list_->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    state_.setSelectedId(listModel_->idAt(selected.front().row()));
}

void Sidebar::moveSelection(int step) {
    const int rows = listModel_->rowCount();
    if (rows == 0)
        return;
    const auto current =
        state_.selectedId() ? listModel_->rowOf(*state_.selectedId()) : std::nullopt;
    int row = current ? std::clamp(*current + step, 0, rows - 1) : (step > 0 ? 0 : rows - 1);
    // Rows that head groups are passed over; past the last entry the
    // selection stays.
    const int direction = step > 0 ? 1 : -1;
    while (row >= 0 && row < rows && listModel_->isHeader(row))
        row += direction;
    if (row >= 0 && row < rows)
        state_.setSelectedId(listModel_->idAt(row));
}

void Sidebar::showNoMatch() {
    SearchNotice::update(noMatch_, list_, state_.search(),
                         noMatchFormat_.arg(SearchNotice::quoted(state_.search())));
}

void Sidebar::forgetTyping() {
    // Setting the text anew empties the field's undo history.
    const int cursor = search_->cursorPosition();
    search_->setText(search_->text());
    search_->setCursorPosition(cursor);
}

// Up and Down in the search field move through the list without leaving it;
// Escape empties it, Delete in it empty deletes the selected entry, and Undo
// and Redo are the window's unless the field has typing of its own to take
// back or make again.
bool Sidebar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != search_)
        return QWidget::eventFilter(watched, event);
    if (SearchNotice::clearOnEscape(search_, event) ||
        SearchNotice::leavesDeleteToWindow(search_, event))
        return true;
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->matches(QKeySequence::Undo) && !search_->isUndoAvailable()) ||
            (key->matches(QKeySequence::Redo) && !search_->isRedoAvailable()))
            return true;
    }
    // The line edit would otherwise take some of the window's keys for
    // itself, such as Ctrl+E for "end of line".
    if (event->type() == QEvent::ShortcutOverride &&
        windowKeys_.contains(static_cast<QKeyEvent*>(event)->keyCombination()))
        return true;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            moveSelection(key == Qt::Key_Down ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace moorkeep
