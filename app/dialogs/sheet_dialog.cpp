#include "sheet_dialog.h"

namespace moorkeep {

SheetDialog::SheetDialog(const QString& objectName, const QString& title,
                         std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent)
    , onCancel_(std::move(onCancel)) {
    setObjectName(objectName);
    setWindowTitle(title);
    setAccessibleName(title);
    setWindowModality(Qt::WindowModal);
}

void SheetDialog::reject() {
    if (isBusy())
        return;
    if (onCancel_)
        onCancel_();
    else
        QDialog::reject();
}

void SheetDialog::dismiss() {
    QDialog::done(QDialog::Rejected);
}

} // namespace moorkeep
