#pragma once

#include <QWidget>

class QButtonGroup;
class QToolButton;

namespace moorkeep {

class AppModel;

// The segmented "View" control of the toolbar: Hosts or Keys, bound both
// ways to the app model's tab.
class ViewSwitch : public QWidget {
    Q_OBJECT

public:
    static constexpr int controlWidth = 220;

    explicit ViewSwitch(AppModel& model, QWidget* parent = nullptr);

private:
    void showTab();

    AppModel& model_;
    QButtonGroup* group_;
    QToolButton* hostsButton_;
    QToolButton* keysButton_;
};

} // namespace moorkeep
