#pragma once

#include <QWidget>

class QLabel;

namespace moorkeep {

// Stands in for a screen pane that has not been built yet: shows the pane's
// name and one line about the data it will show.
class PlaceholderPane : public QWidget {
    Q_OBJECT

public:
    PlaceholderPane(const QString& name, QWidget* parent = nullptr);

    void setSummary(const QString& summary);

private:
    QLabel* summary_;
};

} // namespace moorkeep
