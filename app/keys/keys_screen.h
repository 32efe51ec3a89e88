#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <functional>

class QAction;

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

    // What the shortcuts do.
    void focusSearch();
    void generate();
    void renameSelected();
    void deleteSelected();
    void copySelectedPublicKey();

private:
    QAction* addShortcut(const char* objectName, const QString& text, const QKeySequence& keys,
                         void (KeysScreen::*run)());
    void updateShortcuts();
    KeysSidebar* sidebar() const;
    KeysDetail* detail() const;

    void showSheet();
    QDialog* makeSheet();
    void closeSheet();
    void showDeleteAlert();
    void confirmDelete();

    AppModel& model_;
    KeysState& state_;
    QWidget* window_;
    QList<QAction*> shortcuts_;

    QPointer<QDialog> sheet_;
    QString sheetIdentity_;
    std::function<void()> dismissSheet_;
    QPointer<QMessageBox> alert_;
};

} // namespace moorkeep
