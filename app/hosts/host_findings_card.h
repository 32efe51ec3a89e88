#pragma once

#include <QWidget>
#include <string>

class QVBoxLayout;

namespace moorkeep {

class AppModel;

// The findings of the diagnosis about one host's own block, each as
// `FILE:LINE message` with its severity; hidden while there are none, and
// following the diagnosis as it changes.
class HostFindingsCard : public QWidget {
    Q_OBJECT

public:
    HostFindingsCard(AppModel& model, std::string alias, QWidget* parent = nullptr);

private:
    void update();

    AppModel& model_;
    std::string alias_;
    QVBoxLayout* rows_;
};

} // namespace moorkeep
