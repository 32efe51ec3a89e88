#include "hosts/hosts_sidebar.h"

#include "hosts/host_list_model.h"
#include "hosts/host_row_delegate.h"
#include "hosts/problems_badge.h"
#include "model/app_model.h"
#include "screen/section_row_delegate.h"
#include "style/colors.h"
#include "style/symbols.h"
#include "style/type_ramp.h"
#include "window/shortcuts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QPushButton>
#include <QToolButton>

namespace moorkeep {

namespace {

QAbstractButton* addButton(HostsState& state) {
    auto* add = new QPushButton;
    add->setObjectName(QStringLiteral("addHostButton"));
    add->setAccessibleName(HostsSidebar::tr("Add host"));
    add->setToolTip(Shortcuts::tip(HostsSidebar::tr("Add host"), Shortcuts::add()));
    add->setAutoDefault(false);
    // The prominent style: filled with the accent colour.
    QPalette accent = add->palette();
    accent.setColor(QPalette::Button, Colors::accent());
    accent.setColor(QPalette::ButtonText, accent.color(QPalette::HighlightedText));
    add->setPalette(accent);
    add->setIcon(Symbols::icon(QStringLiteral("plus"), accent.color(QPalette::HighlightedText)));
    add->setFixedWidth(add->sizeHint().height() + 6);
    QObject::connect(add, &QPushButton::clicked, add,
                     [&state] { state.setSheet(HostSheet::add()); });
    return add;
}

QWidget* defaultsButton(HostsState& state) {
    auto* defaults = new QToolButton;
    defaults->setObjectName(QStringLiteral("defaultsButton"));
    defaults->setText(HostsSidebar::tr("Defaults"));
    defaults->setAccessibleName(HostsSidebar::tr("Defaults"));
    defaults->setToolTip(Shortcuts::tip(HostsSidebar::tr("Edit the defaults of every host, Host *"),
                                        Shortcuts::defaults()));
    defaults->setIcon(Symbols::icon(QStringLiteral("slider.horizontal.3"), Colors::secondary()));
    defaults->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    defaults->setAutoRaise(true);
    defaults->setFont(TypeRamp::font(TypeRamp::Style::caption));
    QPalette palette = defaults->palette();
    palette.setColor(QPalette::WindowText, Colors::secondary());
    defaults->setPalette(palette);
    defaults->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(defaults, &QToolButton::clicked, defaults,
                     [&state] { state.setSheet(HostSheet::defaults()); });
    return defaults;
}

// The problems badge beside the defaults button, which keeps the focus the
// footer gets.
QWidget* footerButtons(AppModel& model, HostsState& state) {
    auto* buttons = new QWidget;
    auto* layout = new QHBoxLayout(buttons);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* badge = new ProblemsBadge(model);
    QWidget* defaults = defaultsButton(state);
    layout->addWidget(badge);
    layout->addWidget(defaults);
    buttons->setFocusProxy(defaults);
    QWidget::setTabOrder(defaults, badge);
    return buttons;
}

} // namespace

HostsSidebar::HostsSidebar(AppModel& model, HostsState& state, QWidget* parent)
    : HostsSidebar(model, state, new HostListModel(model, state), parent) {}

HostsSidebar::HostsSidebar(AppModel& model, HostsState& state, HostListModel* listModel,
                           QWidget* parent)
    : Sidebar(state,
              {.objectName = QStringLiteral("hostsSidebar"),
               .model = listModel,
               .delegate = new SectionRowDelegate(new HostRowDelegate),
               .listObjectName = QStringLiteral("hostList"),
               .listAccessibleName = tr("Hosts"),
               .searchObjectName = QStringLiteral("hostsSearchField"),
               .searchAccessibleName = tr("Search hosts"),
               .searchPlaceholder = tr("Search hosts…"),
               .searchBoxObjectName = QStringLiteral("hostsSearchBox"),
               .countObjectName = QStringLiteral("hostCountLabel"),
               .noMatchFormat = tr("No hosts match %1"),
               .addButton = addButton(state),
               .footerButton = footerButtons(model, state),
               .windowKeys = {Shortcuts::edit()[0], Shortcuts::duplicate()[0]},
               .searchClearButton = true,
               .hairlineDividers = true},
              parent)
    , model_(model)
    , state_(state)
    , listModel_(listModel) {
    connect(listView(), &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!listModel_->isHeader(index.row()))
            state_.requestConnect(listModel_->hostAt(index.row()));
    });
    connect(listView(), &QListView::clicked, this, [this](const QModelIndex& index) {
        if (listModel_->isHeader(index.row()))
            setCollapsed(index.row(), !index.data(HostListModel::CollapsedRole).toBool());
    });
    listView()->installEventFilter(this);
    connect(&model_, &AppModel::undoChanged, this, &Sidebar::forgetTyping);
    // Each appearance of the screen selects the first shown host when none is.
    if (!state_.selectedId())
        state_.setSelectedId(listModel_->firstEntryId());
    showCount();
}

void HostsSidebar::setCollapsed(int row, bool collapsed) {
    const auto file = listModel_->groupFileAt(row);
    if (!file)
        return;
    state_.grouping().setCollapsed(*file, collapsed);
    if (auto header = listModel_->headerRowOf(*file))
        listView()->selectionModel()->setCurrentIndex(listModel_->index(*header),
                                                      QItemSelectionModel::NoUpdate);
}

bool HostsSidebar::groupKeyPressed(int key) {
    const QModelIndex current = listView()->currentIndex();
    if (!state_.grouping().isOn() || !current.isValid())
        return false;
    const bool header = listModel_->isHeader(current.row());
    switch (key) {
    case Qt::Key_Left:
        setCollapsed(current.row(), true);
        return true;
    case Qt::Key_Right:
        if (header)
            setCollapsed(current.row(), false);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!header)
            return false;
        setCollapsed(current.row(), !current.data(HostListModel::CollapsedRole).toBool());
        return true;
    default:
        return false;
    }
}

bool HostsSidebar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listView() && event->type() == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        if ((press->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            groupKeyPressed(press->key()))
            return true;
    }
    return Sidebar::eventFilter(watched, event);
}

int HostsSidebar::allEntries() const {
    return int(model_.hosts().size());
}

QString HostsSidebar::countText(int count, const QString& number) const {
    return count == 1 ? tr("1 host") : tr("%1 hosts").arg(number);
}

} // namespace moorkeep
