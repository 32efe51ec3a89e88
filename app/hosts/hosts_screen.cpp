#include "hosts/hosts_screen.h"

#include "app_model.h"
#include "hosts/defaults_dialog.h"
#include "hosts/host_detail_view.h"
#include "hosts/host_dialog.h"
#include "hosts/hosts_state.h"
#include "shortcuts.h"

#include <QAction>
#include <QFutureWatcher>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <utility>

namespace moorkeep {

namespace {

// Runs then on the screen's thread once the operation's result is applied.
template <typename Then> void whenDone(QObject* context, const QFuture<void>& future, Then then) {
    auto* watcher = new QFutureWatcher<void>(context);
    QObject::connect(watcher, &QFutureWatcher<void>::finished, context, [watcher, then] {
        then();
        watcher->deleteLater();
    });
    watcher->setFuture(future);
}

} // namespace

HostsScreen::HostsScreen(AppModel& model, HostsState& state, QMainWindow& window)
    : QObject(&window)
    , model_(model)
    , state_(state)
    , window_(window)
    , menu_(new QMenu(tr("Ho&st"), &window)) {
    setObjectName(QStringLiteral("hostsScreen"));
    menu_->setObjectName(QStringLiteral("hostMenu"));
    addShortcut(QStringLiteral("addHostAction"), tr("&Add Host…"), Shortcuts::add(),
                &HostsScreen::addHost);
    forSelection_ = {addShortcut(QStringLiteral("editHostAction"), tr("&Edit Host…"),
                                 Shortcuts::edit(), &HostsScreen::editSelected),
                     addShortcut(QStringLiteral("deleteHostAction"), tr("&Delete Host…"),
                                 Shortcuts::remove(), &HostsScreen::deleteSelected),
                     addShortcut(QStringLiteral("copyCommandAction"),
                                 tr("&Copy Connection Command"), Shortcuts::copy(),
                                 &HostsScreen::copySelected)};
    menu_->addSeparator();
    addShortcut(QStringLiteral("findHostAction"), tr("&Find Host"), Shortcuts::find(),
                &HostsScreen::focusSearch);
    addShortcut(QStringLiteral("defaultsAction"), tr("Defa&ults…"), Shortcuts::defaults(),
                &HostsScreen::editDefaults);

    connect(&model_, &AppModel::tabChanged, this, &HostsScreen::updateShortcuts);
    connect(&model_, &AppModel::isLoadingChanged, this, &HostsScreen::updateShortcuts);
    connect(&state_, &HostsState::sheetChanged, this, &HostsScreen::showSheet);
    connect(&state_, &HostsState::hostToDeleteChanged, this, &HostsScreen::showDeleteAlert);
    connect(&model_, &AppModel::hostsChanged, this, &HostsScreen::checkEditedHost);
    connect(&model_, &AppModel::hostsChanged, this, &HostsScreen::updateShortcuts);
    connect(&state_, &HostsState::selectedIdChanged, this, &HostsScreen::updateShortcuts);
    updateShortcuts();
}

QAction* HostsScreen::addShortcut(const QString& objectName, const QString& text,
                                  const QKeySequence& key, void (HostsScreen::*slot)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(objectName);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, slot);
    window_.addAction(action);
    menu_->addAction(action);
    shortcuts_.append(action);
    return action;
}

// The Keys screen has shortcuts on the same keys; only the shown tab's work.
void HostsScreen::updateShortcuts() {
    const bool shown = model_.tab() == AppTab::hosts && !model_.isLoading();
    for (QAction* action : shortcuts_)
        action->setEnabled(shown && (!forSelection_.contains(action) || selectedHost()));
}

const SSHHost* HostsScreen::selectedHost() const {
    if (!state_.selectedId())
        return nullptr;
    const auto& hosts = model_.hosts();
    auto host = std::find_if(hosts.begin(), hosts.end(),
                             [&](const SSHHost& h) { return h.id == *state_.selectedId(); });
    return host == hosts.end() ? nullptr : &*host;
}

void HostsScreen::focusSearch() {
    if (auto* search = window_.findChild<QLineEdit*>(QStringLiteral("hostsSearchField"))) {
        search->setFocus(Qt::ShortcutFocusReason);
        search->selectAll();
    }
}

void HostsScreen::addHost() {
    state_.setSheet(HostSheet::add());
}

void HostsScreen::editSelected() {
    if (const SSHHost* host = selectedHost())
        state_.setSheet(HostSheet::edit(*host));
}

void HostsScreen::deleteSelected() {
    if (const SSHHost* host = selectedHost())
        state_.setHostToDelete(*host);
}

// Through the detail view, so the "Copied" feedback shows.
void HostsScreen::copySelected() {
    auto* view = window_.findChild<HostDetailView*>(QStringLiteral("hostDetailView"));
    if (!view)
        return;
    view->copyCommand();
    model_.notify(tr("Connection command for \u201c%1\u201d copied")
                      .arg(QString::fromStdString(view->host().alias)));
}

void HostsScreen::editDefaults() {
    state_.setSheet(HostSheet::defaults());
}

void HostsScreen::showSheet() {
    const auto& sheet = state_.sheet();
    if (!sheet) {
        closeSheet();
        return;
    }
    if (sheetDialog_ && sheetIdentity_ == sheet->identity())
        return;
    closeSheet();
    sheetIdentity_ = sheet->identity();
    auto cancel = [this] { state_.setSheet(std::nullopt); };
    if (sheet->kind == HostSheet::Kind::defaults) {
        sheetDialog_ = new DefaultsDialog(
            model_.defaults(), model_.keys(),
            [this](Defaults defaults) {
                state_.setSheet(std::nullopt);
                model_.saveDefaults(defaults);
            },
            cancel, &window_, config::defaultsOverrides(model_.hosts()));
    } else {
        hostDialog_ = new HostDialog(
            sheet->host, model_.hosts(), model_.keys(),
            [this](SSHHost host) { saveHost(std::move(host)); }, cancel, &window_);
        sheetDialog_ = hostDialog_;
        checkEditedHost();
    }
    sheetDialog_->setAttribute(Qt::WA_DeleteOnClose);
    sheetDialog_->open();
}

void HostsScreen::closeSheet() {
    sheetIdentity_.clear();
    if (!sheetDialog_)
        return;
    QDialog* dialog = sheetDialog_;
    sheetDialog_ = nullptr;
    hostDialog_ = nullptr;
    if (auto* host = qobject_cast<HostDialog*>(dialog))
        host->dismiss();
    else if (auto* defaults = qobject_cast<DefaultsDialog*>(dialog))
        defaults->dismiss();
}

// An edit dialog whose host was changed or removed meanwhile (another
// program edited the file and the model reloaded) must not overwrite it.
void HostsScreen::checkEditedHost() {
    if (!hostDialog_ || !hostDialog_->existing())
        return;
    const SSHHost& edited = *hostDialog_->existing();
    const auto& hosts = model_.hosts();
    auto now = std::find_if(hosts.begin(), hosts.end(),
                            [&](const SSHHost& h) { return h.id == edited.id; });
    if (now == hosts.end() || *now != edited)
        hostDialog_->markChangedOutside();
}

// Once the store has answered, the host with the saved alias is selected: a
// new host only has its id from then on.
void HostsScreen::saveHost(SSHHost host) {
    state_.setSheet(std::nullopt);
    const std::string alias = host.alias;
    whenDone(this, model_.saveHost(std::move(host)), [this, alias] {
        const auto& hosts = model_.hosts();
        auto saved = std::find_if(hosts.begin(), hosts.end(),
                                  [&](const SSHHost& h) { return h.alias == alias; });
        if (saved != hosts.end())
            state_.setSelectedId(saved->id);
    });
}

void HostsScreen::showDeleteAlert() {
    const auto& host = state_.hostToDelete();
    // The alert on screen is forgotten before it closes, so closing it does
    // not clear the state again.
    if (QPointer<QMessageBox> previous = std::exchange(deleteAlert_, nullptr))
        previous->close();
    if (!host)
        return;
    const SSHHost presented = *host;
    auto* alert = new QMessageBox(&window_);
    deleteAlert_ = alert;
    alert->setObjectName(QStringLiteral("deleteHostAlert"));
    alert->setIcon(QMessageBox::Warning);
    alert->setTextFormat(Qt::PlainText);
    const QString title = tr("Delete \"%1\"?").arg(QString::fromStdString(presented.alias));
    alert->setWindowTitle(title);
    alert->setText(title);
    alert->setInformativeText(
        presented.source == HostSource::config
            ? tr("This will remove the host block from your SSH config file. This action cannot be "
                 "undone.")
            : tr("This will permanently remove this host. This action cannot be undone."));
    QPushButton* remove = alert->addButton(tr("Delete"), QMessageBox::DestructiveRole);
    remove->setObjectName(QStringLiteral("confirmDeleteButton"));
    QPushButton* cancel = alert->addButton(QMessageBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancelDeleteButton"));
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    connect(alert, &QMessageBox::finished, this, [this, alert, remove, presented] {
        if (alert->clickedButton() == remove)
            deleteHost(presented);
        if (deleteAlert_ == alert)
            state_.setHostToDelete(std::nullopt);
    });
    alert->open();
}

void HostsScreen::deleteHost(SSHHost host) {
    const std::string id = host.id;
    whenDone(this, model_.deleteHost(std::move(host)), [this, id] {
        if (state_.selectedId() == id)
            state_.setSelectedId(std::nullopt);
    });
}

} // namespace moorkeep
