#pragma once

#include "keys/keys_state.h"
#include "screen/screen_dialogs.h"
#include "screen/screen_menu.h"

#include <QFuture>
#include <QObject>
#include <vector>

class QMenu;
class QMessageBox;

namespace moorkeep {

class AppModel;
class KeysSidebar;
class KeysDetail;
class SheetDialog;

// The Keys tab's side of the window: presents the screen's dialogs and the
// delete alert as window-modal sheets when the screen state asks for them,
// hands their results to the app model, and owns the tab's keyboard
// shortcuts, which are live only while the Keys tab is shown.
class KeysScreen : public QObject {
    Q_OBJECT

public:
    KeysScreen(AppModel& model, KeysState& state, QWidget* window);

    // The open sheet or alert, if any.
    SheetDialog* sheet() const { return dialogs_.sheet(); }
    QMessageBox* deleteAlert() const { return dialogs_.alert(); }

    // The window's Key menu: every action of the screen with its keys.
    QMenu* menu() const { return menu_.menu(); }

    // What the shortcuts do.
    void focusSearch();
    void generate();
    void renameSelected();
    void changeSelectedPassphrase();
    void addSelectedToAgent();
    void removeSelectedFromAgent();
    void deleteSelected();
    void copySelectedPublicKey();
    void copySelectedFingerprint();
    void rescan();

private:
    void updateShortcuts();
    std::optional<SSHKey> selectedKey() const;
    KeysSidebar* sidebar() const;
    KeysDetail* detail() const;

    void showSheet();
    // The sheet closes once the call it started succeeds; a failure is the
    // dialog's to show.
    QFuture<void> closedWhenDone(QFuture<void> done);
    SheetDialog* makeSheet(const KeySheet& sheet);
    void selectNewKey(const std::vector<SSHKey>& before);
    void showDeleteAlert();

    AppModel& model_;
    KeysState& state_;
    QWidget* window_;
    ScreenMenu menu_;
    QAction* passphraseAction_ = nullptr;
    QAction* addToAgentAction_ = nullptr;
    QAction* removeFromAgentAction_ = nullptr;
    ScreenDialogs dialogs_;
};

} // namespace moorkeep
