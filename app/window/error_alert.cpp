#include "error_alert.h"

#include "model/app_model.h"

#include <QMessageBox>

namespace moorkeep {

ErrorAlert::ErrorAlert(AppModel& model, QWidget* window)
    : QObject(window)
    , model_(model)
    , window_(window) {
    connect(&model_, &AppModel::errorMessageChanged, this, &ErrorAlert::showMessage);
    showMessage();
}

void ErrorAlert::showMessage() {
    const auto& message = model_.errorMessage();
    if (!message) {
        if (alert_)
            alert_->close();
        return;
    }
    if (alert_) {
        alert_->setText(*message);
        return;
    }
    alert_ = new QMessageBox(QMessageBox::Warning, tr("Something went wrong"), *message,
                             QMessageBox::Ok, window_);
    alert_->setObjectName(QStringLiteral("errorAlert"));
    alert_->setTextFormat(Qt::PlainText);
    alert_->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert_, &QDialog::finished, this, [this] {
        alert_ = nullptr;
        model_.clearErrorMessage();
    });
    alert_->open();
}

} // namespace moorkeep
