#pragma once

#include <QWidget>
#include <optional>
#include <string>

class QVBoxLayout;

namespace moorkeep {

class AppModel;

// The findings of the diagnosis about one host's own block and its key, each as
// `FILE:LINE message` with its severity; hidden while there are none, and
// following the diagnosis as it changes.
class HostFindingsCard : public QWidget {
    Q_OBJECT

public:
    // keyFile: the host's key as findings show files ("~/.ssh/id_work").
    HostFindingsCard(AppModel& model, std::string alias, std::optional<std::string> keyFile,
                     QWidget* parent = nullptr);

private:
    void update();

    AppModel& model_;
    std::string alias_;
    std::optional<std::string> keyFile_;
    QVBoxLayout* rows_;
};

} // namespace moorkeep
