#include "hosts/hosts_sidebar.h"

#include "app_model.h"
#include "hosts/host_list_model.h"
#include "hosts/host_row_delegate.h"
#include "hosts/hosts_state.h"
#include "search_notice.h"
#include "shortcuts.h"
#include "style/colors.h"
#include "style/symbol_label.h"
#include "style/symbols.h"
#include "style/type_ramp.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace moorkeep {

namespace {

// The search box: the control background in a rounded rectangle of radius 6.
class SearchBox : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 6, 6);
        painter.fillPath(path, Colors::controlBackground());
    }
};

QFrame* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    line->setStyleSheet(
        QStringLiteral("color: %1;")
            .arg(Colors::withOpacity(Colors::secondary(), 0.3).name(QColor::HexArgb)));
    return line;
}

} // namespace

HostsSidebar::HostsSidebar(AppModel& model, HostsState& state, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , state_(state)
    , listModel_(new HostListModel(model, state, this)) {
    setObjectName(QStringLiteral("hostsSidebar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(divider());

    list_ = new QListView;
    list_->setObjectName(QStringLiteral("hostList"));
    list_->setAccessibleName(tr("Hosts"));
    list_->setModel(listModel_);
    list_->setItemDelegate(new HostRowDelegate(list_));
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setMouseTracking(true);
    layout->addWidget(list_, 1);
    noMatch_ = SearchNotice::make();
    layout->addWidget(noMatch_, 1);
    layout->addWidget(divider());
    layout->addWidget(buildFooter());

    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HostsSidebar::listSelectionChanged);
    connect(list_, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        state_.requestConnect(listModel_->hostAt(index.row()));
    });
    connect(listModel_, &QAbstractItemModel::modelReset, this, &HostsSidebar::showSelection);
    connect(&state_, &HostsState::selectedIdChanged, this, &HostsSidebar::showSelection);
    connect(&model_, &AppModel::hostsChanged, this, &HostsSidebar::showCount);
    connect(listModel_, &QAbstractItemModel::modelReset, this, &HostsSidebar::showNoMatch);
    connect(listModel_, &QAbstractItemModel::rowsInserted, this, &HostsSidebar::showNoMatch);
    connect(listModel_, &QAbstractItemModel::rowsRemoved, this, &HostsSidebar::showNoMatch);

    // Each appearance of the screen selects the first host when none is.
    if (!state_.selectedId() && !model_.hosts().empty())
        state_.setSelectedId(model_.hosts().front().id);
    showCount();
    showSelection();
    showNoMatch();
    setTabOrder(search_, findChild<QWidget*>(QStringLiteral("addHostButton")));
    setTabOrder(findChild<QWidget*>(QStringLiteral("addHostButton")), list_);
    setTabOrder(list_, findChild<QWidget*>(QStringLiteral("defaultsButton")));
}

QWidget* HostsSidebar::buildHeader() {
    auto* box = new SearchBox;
    auto* boxLayout = new QHBoxLayout(box);
    boxLayout->setContentsMargins(8, 5, 8, 5);
    boxLayout->setSpacing(6);
    boxLayout->addWidget(
        new SymbolLabel(QStringLiteral("magnifyingglass"), 12, [] { return Colors::secondary(); }));
    search_ = new QLineEdit;
    search_->setObjectName(QStringLiteral("hostsSearchField"));
    search_->setAccessibleName(tr("Search hosts"));
    search_->setPlaceholderText(tr("Search hosts…"));
    search_->setFrame(false);
    search_->setFont(TypeRamp::sized(13));
    search_->setClearButtonEnabled(true);
    // The field sits on the box's own fill.
    QPalette palette = search_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    search_->setPalette(palette);
    search_->setText(state_.search());
    search_->installEventFilter(this);
    connect(search_, &QLineEdit::textChanged, this,
            [this](const QString& text) { state_.setSearch(text); });
    connect(&state_, &HostsState::searchChanged, this, [this] {
        if (search_->text() != state_.search())
            search_->setText(state_.search());
    });
    boxLayout->addWidget(search_, 1);

    auto* add = new QPushButton;
    add->setObjectName(QStringLiteral("addHostButton"));
    add->setAccessibleName(tr("Add host"));
    add->setToolTip(Shortcuts::tip(tr("Add host"), Shortcuts::add()));
    add->setAutoDefault(false);
    // The prominent style: filled with the accent colour.
    QPalette accent = add->palette();
    accent.setColor(QPalette::Button, Colors::accent());
    accent.setColor(QPalette::ButtonText, accent.color(QPalette::HighlightedText));
    add->setPalette(accent);
    add->setIcon(Symbols::icon(QStringLiteral("plus"), accent.color(QPalette::HighlightedText)));
    add->setFixedWidth(add->sizeHint().height() + 6);
    connect(add, &QPushButton::clicked, this, [this] { state_.setSheet(HostSheet::add()); });

    auto* header = new QWidget;
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    layout->addWidget(box, 1);
    layout->addWidget(add);
    return header;
}

QWidget* HostsSidebar::buildFooter() {
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("hostCountLabel"));
    count_->setFont(TypeRamp::font(TypeRamp::Style::caption));
    QPalette palette = count_->palette();
    palette.setColor(QPalette::WindowText, Colors::secondary());
    count_->setPalette(palette);

    auto* defaults = new QToolButton;
    defaults->setObjectName(QStringLiteral("defaultsButton"));
    defaults->setText(tr("Defaults"));
    defaults->setAccessibleName(tr("Defaults"));
    defaults->setToolTip(
        Shortcuts::tip(tr("Edit the defaults of every host, Host *"), Shortcuts::defaults()));
    defaults->setIcon(Symbols::icon(QStringLiteral("slider.horizontal.3"), Colors::secondary()));
    defaults->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    defaults->setAutoRaise(true);
    defaults->setFont(TypeRamp::font(TypeRamp::Style::caption));
    defaults->setPalette(palette);
    defaults->setFocusPolicy(Qt::StrongFocus);
    connect(defaults, &QToolButton::clicked, this,
            [this] { state_.setSheet(HostSheet::defaults()); });

    auto* footer = new QWidget;
    auto* layout = new QHBoxLayout(footer);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->addWidget(count_);
    layout->addStretch();
    layout->addWidget(defaults);
    return footer;
}

void HostsSidebar::showCount() {
    const auto count = model_.hosts().size();
    count_->setText(QString::number(count) + (count == 1 ? tr(" host") : tr(" hosts")));
}

// The list shows the selected host when the search lets it through.
void HostsSidebar::showSelection() {
    QItemSelectionModel* selection = list_->selectionModel();
    const auto row = state_.selectedId() ? listModel_->rowOf(*state_.selectedId()) : std::nullopt;
    if (!row) {
        selection->clearSelection();
        return;
    }
    const QModelIndex index = listModel_->index(*row);
    if (selection->isSelected(index) && selection->currentIndex() == index)
        return;
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(index);
}

void HostsSidebar::listSelectionChanged() {
    const QModelIndexList selected = list_->selectionModel()->selectedIndexes();
    // A search that hides the selected host leaves it selected.
    if (selected.isEmpty())
        return;
    state_.setSelectedId(listModel_->hostAt(selected.front().row()).id);
}

void HostsSidebar::moveSelection(int step) {
    const int rows = listModel_->rowCount();
    if (rows == 0)
        return;
    const auto current =
        state_.selectedId() ? listModel_->rowOf(*state_.selectedId()) : std::nullopt;
    const int row = current ? std::clamp(*current + step, 0, rows - 1) : (step > 0 ? 0 : rows - 1);
    state_.setSelectedId(listModel_->hostAt(row).id);
}

void HostsSidebar::showNoMatch() {
    SearchNotice::update(noMatch_, list_, state_.search(),
                         tr("No hosts match %1").arg(SearchNotice::quoted(state_.search())));
}

// Up and Down in the search field move through the list without leaving it;
// Escape empties it, and Delete in it empty deletes the selected host.
bool HostsSidebar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_ && (SearchNotice::clearOnEscape(search_, event) ||
                               SearchNotice::leavesDeleteToWindow(search_, event)))
        return true;
    // Ctrl+E edits the selected host, also from the search field, where the
    // line edit would otherwise take it as "end of line".
    if (watched == search_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_E))
        return true;
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) {
            moveSelection(key->key() == Qt::Key_Down ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace moorkeep
