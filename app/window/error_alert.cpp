#include "error_alert.h"

#include "dialogs/dialog_kit.h"
#include "model/app_model.h"

#include <QMessageBox>
#include <QPushButton>

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
    alert_ = DialogKit::alert(QStringLiteral("errorAlert"), tr("Something went wrong"), window_);
    alert_->setIcon(QMessageBox::Warning);
    alert_->setText(*message);
    alert_->setStandardButtons(QMessageBox::Ok);
    alert_->button(QMessageBox::Ok)->setText(tr("&OK"));
    connect(alert_, &QDialog::finished, this, [this] {
        alert_ = nullptr;
        model_.clearErrorMessage();
    });
    alert_->open();
}

} // namespace moorkeep
