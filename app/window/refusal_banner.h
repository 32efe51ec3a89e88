#pragma once

#include <QFrame>

class QLabel;

namespace moorkeep {

class AppModel;

// Above both screens while ssh refuses the configuration: why, in ssh's
// words with the file and line, and a way to every finding. Hidden while
// ssh accepts it; follows the diagnosis as files change.
class RefusalBanner : public QFrame {
    Q_OBJECT

public:
    RefusalBanner(AppModel& model, QWidget* parent = nullptr);

private:
    void update();

    AppModel& model_;
    QLabel* text_;
};

} // namespace moorkeep
