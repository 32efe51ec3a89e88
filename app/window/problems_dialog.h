#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace moorkeep {

class AppModel;
struct Finding;

// Every finding of the diagnosis, grouped by file, following it as it
// changes: each can be copied as `FILE:LINE message`, and one with a safe
// fix (an owner-only mode) can be fixed from here.
class ProblemsDialog : public QDialog {
    Q_OBJECT

public:
    // The window's one Problems view, made or raised.
    static ProblemsDialog* showFor(AppModel& model, QWidget* window);

    ProblemsDialog(AppModel& model, QWidget* parent);

    // The finding of the current row, if it is one.
    const Finding* selected() const;

private:
    void fill();
    void updateButtons();
    void copySelected();
    void fixSelected();

    AppModel& model_;
    QLabel* summary_;
    QTreeWidget* tree_;
    QPushButton* copy_;
    QPushButton* fix_;
};

} // namespace moorkeep
