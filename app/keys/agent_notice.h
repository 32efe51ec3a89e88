#pragma once

#include <QLabel>

namespace moorkeep {

class AppModel;

// The Keys tab's one line that no ssh-agent is running (its tooltip says
// why); hidden while an agent answers.
class AgentNotice : public QLabel {
    Q_OBJECT

public:
    explicit AgentNotice(AppModel& model, QWidget* parent = nullptr);

    // The words of the line, which the disabled agent actions take as their
    // tooltip.
    static QString text();

private:
    void follow();

    AppModel& model_;
};

} // namespace moorkeep
