#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

namespace moorkeep {

class AppModel;

// Keeps the model's picture of the ssh-agent current, which other programs
// change at any time (ssh-add, a key's lifetime running out): asks once at
// the start, whenever the application becomes active, when the Keys tab
// appears, and every few seconds while the window shows that tab. The model
// asks on its worker, never on this thread.
class AgentRefresh : public QObject {
    Q_OBJECT

public:
    static constexpr int intervalMilliseconds = 4000;

    AgentRefresh(AppModel& model, QWidget* window);

private:
    void followTab();
    void tick();

    AppModel& model_;
    QWidget* window_;
    QTimer timer_;
};

} // namespace moorkeep
