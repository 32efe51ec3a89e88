#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

namespace moorkeep {

// A screen's detail pane: the selected entry's view, or the empty state
// while nothing is selected (which says whether there are entries at all).
class DetailPane : public QWidget {
    Q_OBJECT

public:
    explicit DetailPane(const QString& objectName, QWidget* parent = nullptr);

protected:
    // Shows the empty state unless it already shows for as many entries.
    void showEmpty(bool anyEntries);
    void showView(QWidget* view);
    virtual QWidget* makeEmptyState(bool anyEntries) = 0;

private:
    void replaceShown(QWidget* next);

    QPointer<QWidget> shown_;
    // Whether the empty state shown was for some entries; none while a view
    // shows.
    std::optional<bool> emptyForAny_;
};

} // namespace moorkeep
