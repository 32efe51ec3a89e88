#include "screen_dialogs.h"

#include "dialogs/sheet_dialog.h"

#include <QMessageBox>
#include <memory>
#include <utility>

namespace moorkeep {

void ScreenDialogs::showSheet(const std::optional<QString>& identity,
                              const std::function<SheetDialog*()>& make) {
    if (sheet_ && identity == sheetIdentity_)
        return;
    sheetIdentity_.clear();
    // Forgotten before it closes, so that closing it cannot come back here.
    if (QPointer<SheetDialog> closing = std::exchange(sheet_, nullptr))
        closing->dismiss();
    if (!identity)
        return;
    sheetIdentity_ = *identity;
    sheet_ = make();
    sheet_->setAttribute(Qt::WA_DeleteOnClose);
    sheet_->open();
}

void ScreenDialogs::showAlert(const std::optional<ConfirmAlert>& alert, QWidget* parent,
                              std::function<void(bool confirmed)> onFinished) {
    if (QPointer<QMessageBox> previous = std::exchange(alert_, nullptr))
        previous->close();
    if (!alert)
        return;
    auto shown = std::make_shared<QPointer<QMessageBox>>();
    *shown = alert->open(parent, [this, shown, onFinished = std::move(onFinished)](bool confirmed) {
        if (alert_ != *shown)
            return;
        alert_ = nullptr;
        onFinished(confirmed);
    });
    alert_ = *shown;
}

} // namespace moorkeep
