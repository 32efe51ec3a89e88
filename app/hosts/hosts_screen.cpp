#include "hosts/hosts_screen.h"

#include "hosts/defaults_dialog.h"
#include "hosts/host_detail_view.h"
#include "hosts/host_dialog.h"
#include "hosts/ignored_change_alert.h"
#include "model/app_model.h"
#include "model/when_finished.h"
#include "window/history_dialog.h"
#include "window/problems_dialog.h"
#include "window/shortcuts.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <algorithm>
#include <utility>

namespace moorkeep {

HostsScreen::HostsScreen(AppModel& model, HostsState& state, QMainWindow& window)
    : QObject(&window)
    , model_(model)
    , state_(state)
    , window_(window)
    , menu_(tr("Ho&st"), QStringLiteral("hostMenu"), AppTab::hosts, window, this) {
    setObjectName(QStringLiteral("hostsScreen"));
    menu_.add(QStringLiteral("addHostAction"), tr("&Add Host…"), Shortcuts::add(),
              [this] { state_.setSheet(HostSheet::add()); });
    menu_.addForSelection(QStringLiteral("editHostAction"), tr("&Edit Host…"), Shortcuts::edit(),
                          [this] { editSelected(); });
    menu_.addForSelection(QStringLiteral("duplicateHostAction"), tr("Du&plicate Host…"),
                          Shortcuts::duplicate(), [this] { duplicateSelected(); });
    menu_.addForSelection(QStringLiteral("deleteHostAction"), tr("&Delete Host…"),
                          Shortcuts::remove(), [this] { deleteSelected(); });
    menu_.addForSelection(QStringLiteral("copyCommandAction"), tr("&Copy Connection Command"),
                          Shortcuts::copy(), [this] { copySelected(); });
    menu_.addSeparator();
    menu_.add(QStringLiteral("findHostAction"), tr("&Find Host"), Shortcuts::find(),
              [this] { focusSearch(); });
    menu_.add(QStringLiteral("defaultsAction"), tr("Defa&ults…"), Shortcuts::defaults(),
              [this] { state_.setSheet(HostSheet::defaults()); });
    menu_.add(QStringLiteral("checkConfigurationAction"), tr("Check &Configuration…"), {},
              [this] { ProblemsDialog::showFor(model_, &window_); });
    menu_.add(QStringLiteral("historyAction"), tr("&History…"), {},
              [this] { HistoryDialog::showFor(model_, &window_); });
    menu_.addSeparator();
    HostGrouping& grouping = state_.grouping();
    QAction* groupByFile = groupByFile_ =
        menu_.add(QStringLiteral("groupByFileAction"), tr("&Group by File"),
                  Shortcuts::groupByFile(), [&grouping] { grouping.setOn(!grouping.isOn()); });
    groupByFile->setCheckable(true);
    groupByFile->setChecked(grouping.isOn());
    connect(&grouping, &HostGrouping::changed, groupByFile,
            [groupByFile, &grouping] { groupByFile->setChecked(grouping.isOn()); });

    connect(&model_, &AppModel::tabChanged, this, &HostsScreen::updateShortcuts);
    connect(&model_, &AppModel::isLoadingChanged, this, &HostsScreen::updateShortcuts);
    connect(&state_, &ScreenState::sheetChanged, this, &HostsScreen::showSheet);
    connect(&state_, &ScreenState::toDeleteChanged, this, &HostsScreen::showDeleteAlert);
    connect(&model_, &AppModel::hostsChanged, this, &HostsScreen::checkEditedHost);
    connect(&model_, &AppModel::hostsChanged, this, &HostsScreen::updateShortcuts);
    // Once the list shows the hosts, so that it finds the row.
    connect(&model_, &AppModel::hostsChanged, this, &HostsScreen::reselectDeleted,
            Qt::QueuedConnection);
    connect(&state_, &ScreenState::selectedIdChanged, this, &HostsScreen::updateShortcuts);
    updateShortcuts();
}

void HostsScreen::updateShortcuts() {
    menu_.update(model_, selectedHost() != nullptr);
}

const SSHHost* HostsScreen::selectedHost() const {
    return model_.hostWithId(state_.selectedId());
}

void HostsScreen::focusSearch() {
    if (auto* search = window_.findChild<QLineEdit*>(QStringLiteral("hostsSearchField"))) {
        search->setFocus(Qt::ShortcutFocusReason);
        search->selectAll();
    }
}

void HostsScreen::editSelected() {
    if (const SSHHost* host = selectedHost())
        state_.setSheet(HostSheet::edit(*host));
}

void HostsScreen::duplicateSelected() {
    if (const SSHHost* host = selectedHost())
        state_.setSheet(HostSheet::duplicate(*host));
}

void HostsScreen::deleteSelected() {
    if (const SSHHost* host = selectedHost())
        state_.setToDelete(*host);
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

void HostsScreen::showSheet() {
    dialogs_.showSheet<HostSheet, SSHHost>(
        state_, [this](const HostSheet& sheet) { return makeSheet(sheet); });
    checkEditedHost();
}

SheetDialog* HostsScreen::makeSheet(const HostSheet& sheet) {
    auto cancel = [this] { state_.setSheet(std::nullopt); };
    if (sheet.kind == HostSheet::Kind::defaults)
        return new DefaultsDialog(
            model_.defaults(), model_.keys(),
            [this](Defaults defaults) {
                state_.setSheet(std::nullopt);
                model_.saveDefaults(defaults);
            },
            cancel, &window_, config::defaultsOverrides(model_.hosts()));
    const bool copying = sheet.kind == HostSheet::Kind::duplicate;
    auto* dialog = new HostDialog(
        copying ? std::nullopt : sheet.item, model_.hosts(), model_.keys(),
        [this, copying](SSHHost host) {
            const QString name = QString::fromStdString(host.alias);
            saveHost(std::move(host), std::nullopt,
                     copying ? tr("Duplicate Host \u201c%1\u201d").arg(name) : QString());
        },
        cancel, &window_);
    if (copying)
        dialog->fillAsCopyOf(*sheet.item);
    return dialog;
}

// An edit dialog whose host was changed or removed meanwhile (another
// program edited the file and the model reloaded) must not overwrite it; a
// changed one can be reloaded into the dialog.
void HostsScreen::checkEditedHost() {
    // The list shows the dialog's own edit while it is being saved.
    if (savingEdit_)
        return;
    auto* dialog = qobject_cast<HostDialog*>(dialogs_.sheet());
    if (!dialog || !dialog->existing())
        return;
    const SSHHost& edited = *dialog->existing();
    const auto& hosts = model_.hosts();
    auto now = std::find_if(hosts.begin(), hosts.end(),
                            [&](const SSHHost& h) { return h.id == edited.id; });
    if (now == hosts.end())
        dialog->markChangedOutside(std::nullopt);
    else if (*now != edited)
        dialog->markChangedOutside(*now);
}

// Once the store has answered, the host with the saved alias is selected: a
// new host only has its id from then on. The dialog of a configuration
// host's edit stays open until OpenSSH has judged the change, so that a
// change it would ignore can be taken up again as typed.
void HostsScreen::saveHost(SSHHost host, std::optional<std::size_t> moveAbove,
                           const QString& name) {
    const bool judged = !host.id.empty() && host.source == HostSource::config;
    if (!judged)
        state_.setSheet(std::nullopt);
    savingEdit_ = judged;
    const std::string alias = host.alias;
    whenFinished(model_.saveHost(host, moveAbove, name), this,
                 [this, host, alias, judged](const CallEnd& end) {
                     savingEdit_ = false;
                     if (end.ignored) {
                         offerWayOut(host, end.failure.value_or(QString()), *end.ignored, judged);
                         return;
                     }
                     if (judged)
                         state_.setSheet(std::nullopt);
                     const auto& hosts = model_.hosts();
                     auto saved = std::find_if(hosts.begin(), hosts.end(),
                                               [&](const SSHHost& h) { return h.alias == alias; });
                     if (saved != hosts.end())
                         state_.setSelectedId(saved->id);
                 });
}

void HostsScreen::offerWayOut(const SSHHost& host, const QString& message,
                              const IgnoredChange::Winner& winner, bool dialogOpen) {
    QWidget* over = dialogOpen && dialogs_.sheet() ? static_cast<QWidget*>(dialogs_.sheet())
                                                   : static_cast<QWidget*>(&window_);
    IgnoredChangeAlert::open(message, winner, QString::fromStdString(host.alias), dialogOpen, over,
                             [this, host, winner](IgnoredChangeAlert::Choice choice) {
                                 if (choice == IgnoredChangeAlert::Choice::moveAndSave)
                                     saveHost(host, winner.line);
                                 else if (choice == IgnoredChangeAlert::Choice::editDefaults)
                                     state_.setSheet(HostSheet::defaults());
                             });
}

void HostsScreen::showDeleteAlert() {
    dialogs_.showDeleteAlert<HostSheet, SSHHost>(
        state_, &window_, this,
        [](const SSHHost& host) {
            return ConfirmAlert::deleting(
                QString::fromStdString(host.alias),
                host.source == HostSource::config
                    ? tr("This will remove the host block from your SSH config file. You can "
                         "undo it with Edit \u2192 Undo (Ctrl+Z).")
                    : tr("This will permanently remove this host. This action cannot be undone."),
                {QStringLiteral("deleteHostAlert"), QStringLiteral("confirmDeleteButton"),
                 QStringLiteral("cancelDeleteButton")});
        },
        [this](const SSHHost& host) {
            deletedId_ = host.id;
            return model_.deleteHost(host);
        });
}

// Undo brings a deleted host back as it was, selected as it was when
// nothing else has been chosen since.
void HostsScreen::reselectDeleted() {
    if (!deletedId_ || state_.selectedId() || !model_.hostWithId(deletedId_))
        return;
    state_.setSelectedId(std::exchange(deletedId_, std::nullopt));
}

} // namespace moorkeep
