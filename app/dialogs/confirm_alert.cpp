#include "confirm_alert.h"

#include "dialogs/dialog_kit.h"

#include <QMessageBox>
#include <QPushButton>

namespace moorkeep {

ConfirmAlert ConfirmAlert::deleting(const QString& name, const QString& consequence,
                                    const std::array<QString, 3>& objectNames) {
    const QString question = QObject::tr("Delete \"%1\"?").arg(name);
    return {.objectName = objectNames[0],
            .windowTitle = question,
            .question = question,
            .consequence = consequence,
            .action = QObject::tr("&Delete"),
            .actionObjectName = objectNames[1],
            .cancelObjectName = objectNames[2]};
}

QMessageBox* ConfirmAlert::open(QWidget* parent,
                                std::function<void(bool confirmed)> onFinished) const {
    QMessageBox* alert = DialogKit::alert(objectName, windowTitle, parent);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(question);
    alert->setInformativeText(consequence);
    QPushButton* confirm = alert->addButton(action, QMessageBox::DestructiveRole);
    confirm->setObjectName(actionObjectName);
    if (redAction)
        DialogKit::setDestructive(confirm, true);
    QPushButton* cancel = alert->addButton(QMessageBox::Cancel);
    cancel->setText(QObject::tr("&Cancel"));
    cancel->setObjectName(cancelObjectName);
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    QObject::connect(alert, &QMessageBox::finished, alert,
                     [alert, confirm, onFinished = std::move(onFinished)] {
                         // The answered alert leaves the window at once (only
                         // what is open is found there); Qt deletes it later.
                         alert->setParent(nullptr);
                         onFinished(alert->clickedButton() == confirm);
                     });
    alert->open();
    return alert;
}

} // namespace moorkeep
