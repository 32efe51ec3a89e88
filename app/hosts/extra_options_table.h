#pragma once

#include "model/ssh_host.h"

#include <QWidget>
#include <vector>

class QEvent;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace moorkeep {

// The options of a block beyond the named fields, as the host and defaults
// dialogs edit them: one line per option (its name, its value, a remove
// button), sorted by name when filled, then the line that adds one. Rows
// may share a name while editing; options() resolves them.
class ExtraOptionsTable : public QWidget {
    Q_OBJECT

public:
    explicit ExtraOptionsTable(const OptionMap& options, QWidget* parent = nullptr);

    // The rows as a map: names trimmed, rows without a name dropped, values
    // exactly as typed, a later row of a name winning.
    OptionMap options() const;
    void setOptions(const OptionMap& options);
    // The controls in the order Tab takes them.
    std::vector<QWidget*> focusChain() const;
    // Return in the new option's fields adds the option rather than moving
    // on; true when it did. The dialog asks before its own Return handling.
    bool tookReturn(QObject* watched, QEvent* event);

signals:
    // Rows came or went: the dialog orders its tabs again.
    void rowsChanged();

private:
    struct Row {
        QWidget* line;
        QLineEdit* key;
        QLineEdit* value;
        QWidget* remove;
    };

    void addRow(const QString& key, const QString& value);
    void removeRow(QWidget* line);
    void addEntered();

    std::vector<Row> rows_;
    QVBoxLayout* rowsLayout_;
    QLineEdit* newKey_;
    QLineEdit* newValue_;
    QPushButton* addButton_;
};

} // namespace moorkeep
