#pragma once

#include "model/ssh_key.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMenu;

namespace moorkeep {

class AppModel;
class KeysState;
class KeysSidebar;
class KeysDetail;

// The Keys tab's side of the window: presents the screen's dialogs and the
// delete alert as window-modal sheets when the screen state asks for them,
// hands their results to the app model, and owns the tab's keyboard
// shortcuts, which are live only while the Keys tab is shown.
class KeysScreen : public QObject {
    Q_OBJECT

public:
    KeysScreen(AppModel& model, KeysState& state, QWidget* window);

    // The open sheet or alert, if any.
    QDialog* sheet() const { return sheet_; }
    QMessageBox* deleteAlert() const { return alert_; }

    // The window's Key menu: every action of the screen with its keys.
    QMenu* menu() const { return menu_; }

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
    QAction* addShortcut(const char* objectName, const QString& text, const QKeySequence& keys,
                         void (KeysScreen::*run)());
    void updateShortcuts();
    std::optional<SSHKey> selectedKey() const;
    KeysSidebar* sidebar() const;
    KeysDetail* detail() const;

    void showSheet();
    QDialog* makeSheet();
    void closeSheet();
    void selectNewKey(const std::vector<SSHKey>& before);
    void showDeleteAlert();
    void confirmDelete();

    AppModel& model_;
    KeysState& state_;
    QWidget* window_;
    QMenu* menu_;
    QList<QAction*> shortcuts_;
    QList<QAction*> forSelection_;
    QAction* passphraseAction_ = nullptr;
    QAction* addToAgentAction_ = nullptr;
    QAction* removeFromAgentAction_ = nullptr;

    QPointer<QDialog> sheet_;
    QString sheetIdentity_;
    std::function<void()> dismissSheet_;
    QPointer<QMessageBox> alert_;
};

} // namespace moorkeep
