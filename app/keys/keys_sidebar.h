#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;
class QToolButton;

namespace moorkeep {

class AppModel;
class KeyListModel;
class KeysState;

// The Keys tab's sidebar: the search box and the generate button, the list
// of keys that match the search (or a line saying that none does), and the
// count of all keys. The list's selection and the search text are the
// screen state's.
class KeysSidebar : public QWidget {
    Q_OBJECT

public:
    KeysSidebar(AppModel& model, KeysState& state, QWidget* parent = nullptr);

    KeysState& state() const { return state_; }
    QLineEdit* searchField() const { return searchField_; }
    QListView* listView() const { return listView_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildSearchRow();
    void keysChanged();
    void showHeldKeys();
    void showSelection();
    void selectionChanged();
    void moveSelection(int step);
    void showCount();
    void showNoMatch();

    AppModel& model_;
    KeysState& state_;
    KeyListModel* listModel_;
    QLineEdit* searchField_;
    QToolButton* generateButton_;
    QListView* listView_;
    QLabel* countLabel_;
    QLabel* noMatch_;
    bool showingSelection_ = false;
};

} // namespace moorkeep
