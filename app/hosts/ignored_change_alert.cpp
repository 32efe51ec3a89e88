#include "hosts/ignored_change_alert.h"

#include "dialogs/dialog_kit.h"

#include <QMessageBox>
#include <QPushButton>

namespace moorkeep::IgnoredChangeAlert {

void open(const QString& message, const IgnoredChange::Winner& winner, const QString& alias,
          bool canMove, QWidget* parent, std::function<void(Choice)> chosen) {
    const QString title = QMessageBox::tr("OpenSSH would ignore this change");
    QMessageBox* box = DialogKit::alert(QStringLiteral("ignoredChangeAlert"), title, parent);
    box->setIcon(QMessageBox::Warning);
    box->setText(title);
    box->setInformativeText(message);
    QPushButton* move = nullptr;
    if (canMove && winner.movable) {
        move = box->addButton(QMessageBox::tr("&Move %1 Above Line %2 and Save")
                                  .arg(alias)
                                  .arg(static_cast<qulonglong>(winner.line)),
                              QMessageBox::AcceptRole);
        move->setObjectName(QStringLiteral("moveAndSaveButton"));
    }
    QPushButton* defaults = nullptr;
    if (winner.defaults) {
        defaults = box->addButton(QMessageBox::tr("&Edit the Defaults…"), QMessageBox::ActionRole);
        defaults->setObjectName(QStringLiteral("editDefaultsButton"));
    }
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    cancel->setText(QMessageBox::tr("&Cancel"));
    cancel->setObjectName(QStringLiteral("cancelIgnoredButton"));
    box->setDefaultButton(move ? move : cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::finished, box, [box, move, defaults, chosen] {
        const auto* clicked = box->clickedButton();
        chosen(move && clicked == move           ? Choice::moveAndSave
               : defaults && clicked == defaults ? Choice::editDefaults
                                                 : Choice::cancel);
    });
    box->open();
}

} // namespace moorkeep::IgnoredChangeAlert
