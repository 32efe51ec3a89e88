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
// Return moves from a field to the next one and presses the default button
// only from the last field (or anywhere with Ctrl+Return), so a half-filled
// form is never sent by a Return meant to move on.
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
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // What Return in the last field, and Ctrl+Return anywhere, do: press the
    // default button while it can be pressed.
    virtual void submit();

private:
    QWidget* nextField(QWidget* field) const;
    // Moves the focus from the field that holds from to the next field, if
    // there is one.
    bool movedOn(QWidget* from);

    std::function<void()> onCancel_;
};

} // namespace moorkeep
