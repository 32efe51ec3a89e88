#pragma once

#include "dialogs/confirm_alert.h"
#include "dialogs/sheet_dialog.h"
#include "model/when_finished.h"
#include "screen/screen_state.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

namespace moorkeep {

// The sheet and the confirmation alert a screen has open, as its state asks
// for them: at most one of each.
class ScreenDialogs {
public:
    SheetDialog* sheet() const { return sheet_; }
    QMessageBox* alert() const { return alert_; }

    // Shows the sheet the state asks for, made by make, and closes it when
    // the state no longer does; a sheet of the same identity stays open.
    template <typename Sheet, typename Item>
    void showSheet(const ScreenStateOf<Sheet, Item>& state,
                   const std::function<SheetDialog*(const Sheet&)>& make) {
        const auto& sheet = state.sheet();
        showSheet(sheet ? std::optional(sheet->identity()) : std::nullopt,
                  [&] { return make(*sheet); });
    }

    // Asks, over parent, before deleting the entry the state holds for it
    // (described by describe), and lets the state forget it once answered.
    // Confirmed, remove runs; once its call is over, also when it failed,
    // the entry is no longer selected.
    template <typename Sheet, typename Item>
    void showDeleteAlert(ScreenStateOf<Sheet, Item>& state, QWidget* parent, QObject* context,
                         const std::function<ConfirmAlert(const Item&)>& describe,
                         std::function<QFuture<void>(const Item&)> remove) {
        const auto& item = state.toDelete();
        showAlert(item ? std::optional(describe(*item)) : std::nullopt, parent,
                  [&state, context, remove = std::move(remove), item](bool confirmed) {
                      if (confirmed)
                          whenFinished(remove(*item), context,
                                       [&state, id = item->id](const CallEnd&) {
                                           if (state.selectedId() == id)
                                               state.setSelectedId(std::nullopt);
                                       });
                      state.setToDelete(std::nullopt);
                  });
    }

private:
    void showSheet(const std::optional<QString>& identity,
                   const std::function<SheetDialog*()>& make);
    // Closes the open alert, and opens this one, if any, over parent.
    // onFinished learns whether its action was chosen once it is closed by
    // the user; an alert closed here is not reported.
    void showAlert(const std::optional<ConfirmAlert>& alert, QWidget* parent,
                   std::function<void(bool confirmed)> onFinished);

    QPointer<SheetDialog> sheet_;
    QString sheetIdentity_;
    QPointer<QMessageBox> alert_;
};

} // namespace moorkeep
