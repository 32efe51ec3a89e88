#pragma once

#include <QString>

class QAbstractItemView;
class QEvent;
class QLabel;
class QLineEdit;

// What a sidebar shows in its list's place while a search hides every entry
// ("No hosts match “db”"), and the keys a search field handles its own way.
namespace moorkeep::SearchNotice {

// Hidden at first; named noMatchLabel.
QLabel* make();

// Shows the notice with text, and hides the list, while the search is not
// empty and the list has no rows; the list otherwise.
void update(QLabel* notice, QAbstractItemView* list, const QString& search, const QString& text);

// "“db”" with the search shortened to what fits a sidebar.
QString quoted(const QString& search);

// Escape in a search field that holds text empties it; true when it did.
bool clearOnEscape(QLineEdit* field, QEvent* event);

// Delete in an empty search field has nothing to delete there: true when the
// key is to go to the window's shortcut (deleting the selected entry).
bool leavesDeleteToWindow(const QLineEdit* field, QEvent* event);

} // namespace moorkeep::SearchNotice
