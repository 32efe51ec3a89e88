#pragma once

#include <QKeyCombination>
#include <QList>
#include <QWidget>

class QAbstractButton;
class QAbstractItemDelegate;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;

namespace moorkeep {

class ScreenState;
class SidebarListModel;

// A screen's sidebar: the search box and the screen's add button, the list
// of entries (or, when the search matches nothing, a line that says so), and
// the footer with the count of all entries and, optionally, a button. Made
// anew each time the screen appears; the search text and the selection live
// in the screen's state.
class Sidebar : public QWidget {
    Q_OBJECT

public:
    // What tells one screen's sidebar from the other's.
    struct Parts {
        QString objectName{};
        SidebarListModel* model{};         // the sidebar takes it
        QAbstractItemDelegate* delegate{}; // the list takes it
        QString listObjectName{};
        QString listAccessibleName{};
        QString searchObjectName{};
        QString searchAccessibleName{};
        QString searchPlaceholder{};
        QString searchBoxObjectName{};
        QString countObjectName{};
        // What shows when the search, quoted for %1, matches nothing.
        QString noMatchFormat{};
        QAbstractButton* addButton{};
        QWidget* footerButton = nullptr;
        // A notice between the list and the footer, if any.
        QWidget* notice = nullptr;
        // Keys the search field leaves to the window's shortcuts.
        QList<QKeyCombination> windowKeys{};
        bool searchBoxEdge = false;
        int searchToAddButton = 6;
        bool searchClearButton = false;
        // 1-pixel dividers in the secondary colour, rather than the style's
        // lines.
        bool hairlineDividers = false;
    };

    Sidebar(ScreenState& state, Parts parts, QWidget* parent = nullptr);

    // The menu a row's context menu shows (right click, the Menu key or
    // Shift+F10), for the row it was asked on.
    void setRowMenu(QMenu* menu);

    QLineEdit* searchField() const { return search_; }

    // A change made in the window is newer than the typing in the search
    // field, so Ctrl+Z after it goes to the window's Undo: the field forgets
    // what it could undo.
    void forgetTyping();
    QListView* listView() const { return list_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // How many entries there are, searched or not.
    virtual int allEntries() const = 0;
    // The footer's words for that many entries, written as `number`.
    virtual QString countText(int count, const QString& number) const = 0;
    // Once the entries changed, and once the subclass is made; while a search
    // narrows the list it says how many of them it shows ("14 of 10,000 hosts").
    void showCount();

private:
    QWidget* buildHeader(const Parts& parts);
    QWidget* buildFooter(const Parts& parts);
    QWidget* divider() const;
    void showSelection();
    void listSelectionChanged();
    void moveSelection(int step);
    void showNoMatch();

    ScreenState& state_;
    SidebarListModel* listModel_;
    QList<QKeyCombination> windowKeys_;
    QString noMatchFormat_;
    bool hairlineDividers_;
    QLineEdit* search_ = nullptr;
    QListView* list_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* noMatch_ = nullptr;
};

} // namespace moorkeep
