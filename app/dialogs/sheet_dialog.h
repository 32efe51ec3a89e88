#pragma once

#include <QDialog>
#include <functional>

namespace moorkeep {

// The base of every modal dialog of the window, shown window-modal over it as
// a sheet and built of DialogKit's pieces. A sheet given onCancel hands its
// result to its owner's callback and never closes itself: Escape and the
// window's own close button ask the owner (onCancel), unless the sheet is
// busy with its owner's call, and the owner closes it (dismiss). A sheet
// without onCancel closes itself, on Escape as on its own buttons.
class SheetDialog : public QDialog {
    Q_OBJECT

public:
    // Sets the object name, and the window title and accessible name to
    // title.
    SheetDialog(const QString& objectName, const QString& title, std::function<void()> onCancel,
                QWidget* parent);

    void reject() override;
    // Closes the dialog; for the owner, also while it is busy.
    virtual void dismiss();

protected:
    virtual bool isBusy() const { return false; }

private:
    std::function<void()> onCancel_;
};

} // namespace moorkeep
