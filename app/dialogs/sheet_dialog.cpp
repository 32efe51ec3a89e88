#include "sheet_dialog.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

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

namespace {

bool isField(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QCheckBox*>(widget);
}

// An editable combo box or a spin box takes keys in a line edit of its own.
QWidget* fieldOf(QWidget* widget) {
    QWidget* parent = widget ? widget->parentWidget() : nullptr;
    if (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractSpinBox*>(parent))
        return parent;
    return isField(widget) ? widget : nullptr;
}

bool isReturn(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

// The field after this one in the order Tab takes, among those that can
// take the focus now; none after the last.
QWidget* SheetDialog::nextField(QWidget* field) const {
    bool passed = false;
    for (QWidget* widget = nextInFocusChain(); widget && widget != this;
         widget = widget->nextInFocusChain()) {
        if (widget == field) {
            passed = true;
            continue;
        }
        if (passed && isField(widget) && widget->isVisibleTo(this) && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus) && isAncestorOf(widget))
            return widget;
    }
    return nullptr;
}

bool SheetDialog::movedOn(QWidget* from) {
    QWidget* field = fieldOf(from);
    QWidget* next = field ? nextField(field) : nullptr;
    if (next)
        next->setFocus(Qt::TabFocusReason);
    return next;
}

// Each field is watched, so Return moves on from the field that has it
// before the field itself acts on it.
void SheetDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    for (QWidget* widget : findChildren<QWidget*>())
        if (fieldOf(widget))
            widget->installEventFilter(this);
}

bool SheetDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
        !isReturn(static_cast<QKeyEvent*>(event)))
        return QDialog::eventFilter(watched, event);
    if ((static_cast<QKeyEvent*>(event)->modifiers() & Qt::ControlModifier) ||
        !movedOn(static_cast<QWidget*>(watched)))
        submit();
    return true;
}

void SheetDialog::keyPressEvent(QKeyEvent* event) {
    if (!isReturn(event))
        return QDialog::keyPressEvent(event);
    if ((event->modifiers() & Qt::ControlModifier) || !movedOn(focusWidget()))
        submit();
}

void SheetDialog::submit() {
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->isDefault() && button->isEnabled() && button->isVisibleTo(this)) {
            button->click();
            return;
        }
}

void SheetDialog::dismiss() {
    QDialog::done(QDialog::Rejected);
}

} // namespace moorkeep
