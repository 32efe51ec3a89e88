#pragma once

#include <QToolButton>

namespace moorkeep {

class AppModel;

// The count of the diagnosis's errors and warnings in the Hosts footer;
// hidden when there are none, and opens the Problems view.
class ProblemsBadge : public QToolButton {
    Q_OBJECT

public:
    explicit ProblemsBadge(AppModel& model, QWidget* parent = nullptr);

private:
    void update();

    AppModel& model_;
};

} // namespace moorkeep
