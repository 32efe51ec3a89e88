#include "keys/agent_notice.h"

#include "model/app_model.h"
#include "style/colors.h"
#include "style/type_ramp.h"

namespace moorkeep {

AgentNotice::AgentNotice(AppModel& model, QWidget* parent)
    : QLabel(text(), parent)
    , model_(model) {
    setObjectName(QStringLiteral("agentNoticeLabel"));
    setAccessibleName(text());
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setContentsMargins(12, 6, 12, 6);
    setFont(TypeRamp::font(TypeRamp::Style::caption));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Colors::secondary());
    setPalette(colours);
    connect(&model_, &AppModel::agentChanged, this, &AgentNotice::follow);
    follow();
}

QString AgentNotice::text() {
    return tr("No ssh-agent is running");
}

void AgentNotice::follow() {
    const auto& problem = model_.agent().problem;
    // Never shown while it has no parent: it would open as a window of its own.
    if (parentWidget() || !problem)
        setVisible(problem.has_value());
    setToolTip(problem ? QString::fromStdString(*problem) : QString());
    setAccessibleDescription(toolTip());
}

} // namespace moorkeep
