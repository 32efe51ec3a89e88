#pragma once

#include <QLabel>

namespace moorkeep {

class AppModel;

// The Keys tab's one line that no ssh-agent is running (its tooltip says
// why); hidden while an agent answers. Made inside its parent, so that
// showing it never opens a window of its own.
class AgentNotice : public QLabel {
    Q_OBJECT

public:
    AgentNotice(AppModel& model, QWidget* parent);

    // The words of the line, which the disabled agent actions take as their
    // tooltip.
    static QString text();

private:
    void follow();

    AppModel& model_;
};

} // namespace moorkeep
