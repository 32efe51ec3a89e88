#include "content_view.h"

#include "application/app_settings.h"
#include "hosts/hosts_detail.h"
#include "hosts/hosts_screen.h"
#include "hosts/hosts_sidebar.h"
#include "keys/keys_detail.h"
#include "keys/keys_screen.h"
#include "keys/keys_sidebar.h"
#include "model/app_model.h"
#include "style/font_warmup.h"
#include "style/symbols.h"
#include "window/app_kit_split_view.h"
#include "window/edit_menu.h"
#include "window/error_alert.h"
#include "window/loading_spinner.h"
#include "window/refusal_banner.h"
#include "window/shortcuts.h"
#include "window/view_switch.h"

#include <QAction>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace moorkeep {

ContentView::ContentView(AppModel& model, Load load, QWidget* parent)
    : QMainWindow(parent)
    , model_(model)
    , firstLoad_(load)
    , toggleSidebarAction_(
          new QAction(Symbols::icon(QStringLiteral("sidebar.leading")), tr("Toggle Sidebar"), this))
    , pages_(new QStackedWidget(this))
    , spinner_(new LoadingSpinner)
    , splitView_(new AppKitSplitView)
    , hostsScreen_(new HostsScreen(model, hostsState_, *this)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(tr("Moorkeep"));
    setContextMenuPolicy(Qt::NoContextMenu);

    auto* loadingPage = new QWidget;
    loadingPage->setObjectName(QStringLiteral("loadingPage"));
    auto* loadingLayout = new QGridLayout(loadingPage);
    loadingLayout->addWidget(spinner_, 0, 0, Qt::AlignCenter);
    pages_->setObjectName(QStringLiteral("contentPages"));
    pages_->addWidget(loadingPage);
    pages_->addWidget(splitView_);
    pages_->setMinimumSize(minimumContentSize);
    // The banner stands above both screens.
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("centralArea"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new RefusalBanner(model_));
    column->addWidget(pages_, 1);
    setCentralWidget(central);
    resize(1040, 680);
    const auto settings = AppSettings::open();
    restoreGeometry(settings->value(QStringLiteral("window/geometry")).toByteArray());
    if (const int width = settings->value(QStringLiteral("window/sidebarWidth")).toInt())
        splitView_->setPreferredSidebarWidth(width);

    buildToolBar();
    addTabShortcuts();
    new ErrorAlert(model_, this);
    buildStatusLine();
    keysScreen_ = new KeysScreen(model_, keysState_, this);
    connect(keysScreen_, &KeysScreen::showHostRequested, this, &ContentView::showHost);
    editMenu_ = new EditMenu(model_, this);

    connect(&model_, &AppModel::isLoadingChanged, this, &ContentView::showContent);
    auto* fonts = new FontWarmup(this);
    connect(&model_, &AppModel::isLoadingChanged, fonts, &FontWarmup::stop);
    if (model_.isLoading())
        fonts->start();
    connect(&model_, &AppModel::tabChanged, this, &ContentView::showScreen);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &ContentView::applicationStateChanged);
    showContent();
}

void ContentView::showHost(const std::string& id) {
    const auto& hosts = model_.hosts();
    const auto host =
        std::find_if(hosts.begin(), hosts.end(), [&](const SSHHost& h) { return h.id == id; });
    if (host == hosts.end())
        return;
    hostsState_.setSearch(QString());
    hostsState_.grouping().setCollapsed(
        host->source == HostSource::config ? host->facts.block.file : std::string(), false);
    model_.setTab(AppTab::hosts);
    hostsState_.setSelectedId(id);
}

void ContentView::buildToolBar() {
    toggleSidebarAction_->setObjectName(QStringLiteral("toggleSidebarAction"));
    toggleSidebarAction_->setToolTip(
        Shortcuts::tip(tr("Toggle Sidebar"), Shortcuts::toggleSidebar()));
    // Ctrl+Super+S too (Qt calls the Super key Meta).
    toggleSidebarAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::META | Qt::Key_S), Shortcuts::toggleSidebar()});
    connect(toggleSidebarAction_, &QAction::triggered, this, &ContentView::toggleSidebar);
    addAction(toggleSidebarAction_);

    auto* toggleButton = new QToolButton;
    toggleButton->setObjectName(QStringLiteral("toggleSidebarButton"));
    toggleButton->setDefaultAction(toggleSidebarAction_);
    toggleButton->setAutoRaise(true);

    // An empty twin of the toggle on the right keeps the switch centred.
    auto* balance = new QWidget;
    balance->setFixedWidth(toggleButton->sizeHint().width());

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(toggleButton);
    layout->addStretch();
    layout->addWidget(new ViewSwitch(model_));
    layout->addStretch();
    layout->addWidget(balance);

    auto* toolBar = new QToolBar(tr("Toolbar"), this);
    toolBar->setObjectName(QStringLiteral("mainToolBar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->addWidget(row);
    addToolBar(Qt::TopToolBarArea, toolBar);
}

QMenu* ContentView::hostMenu() const {
    return hostsScreen_->menu();
}

QMenu* ContentView::keyMenu() const {
    return keysScreen_->menu();
}

QAction* ContentView::groupByFileAction() const {
    return hostsScreen_->groupByFileAction();
}

namespace {

// A line at the foot of the window that never stops the user.
QLabel* noticeLine(const QString& objectName, const QString& accessibleName) {
    auto* line = new QLabel;
    line->setObjectName(objectName);
    line->setAccessibleName(accessibleName);
    line->setTextFormat(Qt::PlainText);
    line->setWordWrap(true);
    line->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return line;
}

void showLines(QLabel* line, const QStringList& lines) {
    line->setText(lines.join(QLatin1Char('\n')));
    line->setVisible(!lines.isEmpty());
}

} // namespace

// Files the load could not use are named in a line at the foot of the
// window, which never stops the user; it goes away with the warnings. What
// the store told of the last change (that OpenSSH could not check it) shows
// the same way under them, until the next change ends. The same line shows
// what was just done, for a moment, over both.
void ContentView::buildStatusLine() {
    auto* warnings =
        noticeLine(QStringLiteral("loadWarningNotice"), tr("Files that could not be read"));
    auto* changeNotices =
        noticeLine(QStringLiteral("changeNotice"), tr("What the last change could not check"));
    auto* notices = new QWidget;
    auto* column = new QVBoxLayout(notices);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(warnings);
    column->addWidget(changeNotices);
    statusBar()->setObjectName(QStringLiteral("loadWarningBar"));
    statusBar()->addWidget(notices, 1);
    auto showNotices = [this, warnings, changeNotices] {
        showLines(warnings, model_.loadWarnings());
        showLines(changeNotices, model_.changeNotices());
        updateStatusLine();
    };
    connect(&model_, &AppModel::loadWarningsChanged, this, showNotices);
    connect(&model_, &AppModel::changeNoticesChanged, this, showNotices);
    connect(&model_, &AppModel::notified, this, [this](const QString& message) {
        statusBar()->showMessage(message, noticeMilliseconds);
        updateStatusLine();
    });
    connect(statusBar(), &QStatusBar::messageChanged, this, &ContentView::updateStatusLine);
    showNotices();
}

void ContentView::updateStatusLine() {
    statusBar()->setVisible(!model_.loadWarnings().isEmpty() || !model_.changeNotices().isEmpty() ||
                            !statusBar()->currentMessage().isEmpty());
}

// Ctrl+1 and Ctrl+2 switch to Hosts and Keys, in the order of the switch.
void ContentView::addTabShortcuts() {
    const std::pair<AppTab, QKeySequence> tabs[] = {{AppTab::hosts, Shortcuts::showHosts()},
                                                    {AppTab::keys, Shortcuts::showKeys()}};
    for (const auto& [tab, key] : tabs) {
        auto* action = new QAction(tab == AppTab::hosts ? tr("Show Hosts") : tr("Show Keys"), this);
        action->setObjectName(tab == AppTab::hosts ? QStringLiteral("showHostsAction")
                                                   : QStringLiteral("showKeysAction"));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, [this, tab] { model_.setTab(tab); });
        addAction(action);
    }
}

// The size, place and split the user chose come back in the next window.
void ContentView::closeEvent(QCloseEvent* event) {
    const auto settings = AppSettings::open();
    settings->setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings->setValue(QStringLiteral("window/sidebarWidth"), splitView_->preferredSidebarWidth());
    QMainWindow::closeEvent(event);
}

void ContentView::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Spontaneous shows are the window system restoring the window, not the
    // window appearing anew.
    if (!event->spontaneous() && std::exchange(firstLoad_, Load::onShow) == Load::onShow)
        model_.load();
}

void ContentView::showContent() {
    if (model_.isLoading()) {
        pages_->setCurrentIndex(0);
        return;
    }
    showScreen();
    pages_->setCurrentWidget(splitView_);
}

void ContentView::showScreen() {
    if (model_.isLoading())
        return;
    Sidebar* sidebar = nullptr;
    if (model_.tab() == AppTab::hosts) {
        sidebar = new HostsSidebar(model_, hostsState_);
        splitView_->setPanes(sidebar, new HostsDetail(model_, hostsState_));
    } else {
        sidebar = new KeysSidebar(model_, keysState_);
        splitView_->setPanes(sidebar, new KeysDetail(model_, keysState_));
    }
    sidebar->setRowMenu(model_.tab() == AppTab::hosts ? hostMenu() : keyMenu());
    splitView_->setSidebarCollapsed(isSidebarCollapsed_);
    // The search field has the keys from the start, for the tab's list.
    if (auto* search = splitView_->findChild<QLineEdit*>(model_.tab() == AppTab::hosts
                                                             ? QStringLiteral("hostsSearchField")
                                                             : QStringLiteral("keysSearchField")))
        search->setFocus(Qt::OtherFocusReason);
}

void ContentView::toggleSidebar() {
    isSidebarCollapsed_ = !isSidebarCollapsed_;
    splitView_->setSidebarCollapsed(isSidebarCollapsed_);
}

// The first activation is the launch itself, while the first load runs.
void ContentView::applicationStateChanged(Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive)
        return;
    if (!didHandleInitialActivation_) {
        didHandleInitialActivation_ = true;
        return;
    }
    model_.refreshKeys();
}

} // namespace moorkeep
