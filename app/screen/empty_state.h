#pragma once

#include <QWidget>

class QLabel;

namespace moorkeep {

// What a detail pane shows while nothing is selected: a large symbol, a
// title and a note, centred, and optionally a button under them.
class EmptyState : public QWidget {
    Q_OBJECT

public:
    EmptyState(const QString& symbol, const QString& title, const QString& note,
               QWidget* parent = nullptr);

    QLabel* title() const { return title_; }
    QLabel* note() const { return note_; }
    void addButton(QWidget* button);

private:
    QLabel* title_;
    QLabel* note_;
};

} // namespace moorkeep
