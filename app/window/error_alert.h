#pragma once

#include <QObject>
#include <QPointer>

class QMessageBox;
class QWidget;

namespace moorkeep {

class AppModel;

// Shows the app model's errorMessage (the failure of any call whose dialog
// does not show it itself) in one window-modal alert. Dismissing
// the alert in any way clears the message; a newer message replaces the text
// of an alert still open.
class ErrorAlert : public QObject {
    Q_OBJECT

public:
    ErrorAlert(AppModel& model, QWidget* window);

private:
    void showMessage();

    AppModel& model_;
    QWidget* window_;
    QPointer<QMessageBox> alert_;
};

} // namespace moorkeep
