#include "keys/agent_refresh.h"

#include "model/app_model.h"

#include <QGuiApplication>
#include <QWidget>

namespace moorkeep {

AgentRefresh::AgentRefresh(AppModel& model, QWidget* window)
    : QObject(window)
    , model_(model)
    , window_(window) {
    setObjectName(QStringLiteral("agentRefresh"));
    timer_.setInterval(intervalMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &AgentRefresh::tick);
    connect(&model_, &AppModel::tabChanged, this, &AgentRefresh::followTab);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    model_.refreshAgent();
            });
    model_.refreshAgent();
    followTab();
}

void AgentRefresh::followTab() {
    if (model_.tab() != AppTab::keys) {
        timer_.stop();
        return;
    }
    if (!timer_.isActive()) {
        model_.refreshAgent();
        timer_.start();
    }
}

// A hidden or minimised window shows no badge that could go stale.
void AgentRefresh::tick() {
    if (window_->isVisible() && !window_->isMinimized())
        model_.refreshAgent();
}

} // namespace moorkeep
