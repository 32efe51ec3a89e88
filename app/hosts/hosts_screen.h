#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>

class QAction;
class QKeySequence;
class QMainWindow;
class QMenu;
class QMessageBox;

namespace moorkeep {

class AppModel;
class DefaultsDialog;
class HostDialog;
class HostsState;
struct SSHHost;

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
    QDialog* sheetDialog() const { return sheetDialog_; }
    // The window's Host menu: every action of the screen with its keys.
    QMenu* menu() const { return menu_; }

private:
    QAction* addShortcut(const QString& objectName, const QString& text, const QKeySequence& key,
                         void (HostsScreen::*slot)());
    void updateShortcuts();
    void focusSearch();
    void addHost();
    void editSelected();
    void deleteSelected();
    void copySelected();
    void editDefaults();
    const SSHHost* selectedHost() const;

    void showSheet();
    void closeSheet();
    void checkEditedHost();
    void saveHost(SSHHost host);
    void showDeleteAlert();
    void deleteHost(SSHHost host);

    AppModel& model_;
    HostsState& state_;
    QMainWindow& window_;
    QMenu* menu_;
    QList<QAction*> shortcuts_;
    QList<QAction*> forSelection_;
    QPointer<QDialog> sheetDialog_;
    QPointer<HostDialog> hostDialog_;
    QString sheetIdentity_;
    QPointer<QMessageBox> deleteAlert_;
};

} // namespace moorkeep
