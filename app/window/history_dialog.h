#pragma once

#include "stores/config_backups.h"

#include <QDialog>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace moorkeep {

class AppModel;

// The backups of each configuration file, newest first, with the time each
// was taken; the one chosen is compared with what its file holds now, and
// Restore puts it back, checked by OpenSSH, as a change Undo takes back.
class HistoryDialog : public QDialog {
    Q_OBJECT

public:
    // The window's one History view, made or raised.
    static HistoryDialog* showFor(AppModel& model, QWidget* window);

    HistoryDialog(AppModel& model, QWidget* parent);

private:
    void reload();
    void fill(const std::vector<ConfigBackup>& backups);
    const ConfigBackup* selected() const;
    void compareSelected();
    void restoreSelected();

    AppModel& model_;
    std::vector<ConfigBackup> backups_;
    QLabel* summary_;
    QTreeWidget* tree_;
    QPlainTextEdit* diff_;
    QPushButton* restore_;
};

} // namespace moorkeep
