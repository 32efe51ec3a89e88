#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;

namespace moorkeep {

class AppModel;
class HostListModel;
class HostsState;

// The Hosts screen's sidebar: the search box and the add button, the host
// list (or, when the search matches nothing, a line that says so), and the
// footer with the host count and the Defaults button. Made anew each time
// the screen appears; the state it shows lives in HostsState.
class HostsSidebar : public QWidget {
    Q_OBJECT

public:
    HostsSidebar(AppModel& model, HostsState& state, QWidget* parent = nullptr);

    HostsState& state() const { return state_; }
    HostListModel* listModel() const { return listModel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildFooter();
    void showCount();
    void showSelection();
    void listSelectionChanged();
    void moveSelection(int step);
    void showNoMatch();

    AppModel& model_;
    HostsState& state_;
    HostListModel* listModel_;
    QLineEdit* search_ = nullptr;
    QListView* list_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* noMatch_ = nullptr;
};

} // namespace moorkeep
