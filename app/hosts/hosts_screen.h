#pragma once

#include "hosts/hosts_state.h"
#include "openssh/ignored_change.h"
#include "screen/screen_dialogs.h"
#include "screen/screen_menu.h"

#include <QObject>
#include <cstddef>
#include <optional>

class QMainWindow;
class QAction;
class QMenu;

namespace moorkeep {

class AppModel;
class SheetDialog;

// What the Hosts screen does beyond its two panes, for the life of the
// window: it presents the host and defaults dialogs as window-modal sheets
// and the delete alert from HostsState, runs the saves and deletes through
// the app model, and holds the screen's keyboard shortcuts, which work only
// while the Hosts tab is shown.
class HostsScreen : public QObject {
    Q_OBJECT

public:
    HostsScreen(AppModel& model, HostsState& state, QMainWindow& window);

    // The open sheet's dialog, if any.
    SheetDialog* sheetDialog() const { return dialogs_.sheet(); }
    // The window's Host menu: every action of the screen with its keys.
    QMenu* menu() const { return menu_.menu(); }
    QAction* groupByFileAction() const { return groupByFile_; }

private:
    void updateShortcuts();
    void focusSearch();
    void editSelected();
    void duplicateSelected();
    void deleteSelected();
    void copySelected();
    const SSHHost* selectedHost() const;

    void showSheet();
    SheetDialog* makeSheet(const HostSheet& sheet);
    void checkEditedHost();
    void saveHost(SSHHost host, std::optional<std::size_t> moveAbove = std::nullopt,
                  const QString& name = {});
    // The alert that offers the ways out of a change OpenSSH would ignore;
    // over the dialog when it is still open.
    void offerWayOut(const SSHHost& host, const QString& message,
                     const IgnoredChange::Winner& winner, bool dialogOpen);
    void showDeleteAlert();
    void reselectDeleted();

    AppModel& model_;
    HostsState& state_;
    QMainWindow& window_;
    ScreenMenu menu_;
    ScreenDialogs dialogs_;
    bool savingEdit_ = false;
    std::optional<std::string> deletedId_;
    QAction* groupByFile_ = nullptr;
};

} // namespace moorkeep
