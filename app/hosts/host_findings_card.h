#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

class QVBoxLayout;

namespace moorkeep {
class TintedLabel;
}

namespace moorkeep {

class AppModel;

// The findings of the diagnosis about one host's own block and its key, each as
// `FILE:LINE message` with its severity; hidden while there are none, and
// following the diagnosis as it changes.
class HostFindingsCard : public QWidget {
    Q_OBJECT

public:
    explicit HostFindingsCard(AppModel& model, QWidget* parent = nullptr);

    // keyFile: the host's key as findings show files ("~/.ssh/id_work").
    void setHost(std::string alias, std::optional<std::string> keyFile);

private:
    void update();

    AppModel& model_;
    std::string alias_;
    std::optional<std::string> keyFile_;
    QVBoxLayout* rows_;
    // One a finding, kept while there are as many findings.
    std::vector<TintedLabel*> rowLabels_;
};

} // namespace moorkeep
