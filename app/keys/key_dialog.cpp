#include "keys/key_dialog.h"

#include "dialogs/dialog_kit.h"
#include "model/input_rules.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

KeyDialog::KeyDialog(SSHKey keyInfo, std::function<void(const SSHKey&)> onSave,
                     std::function<void()> onCancel, QWidget* parent)
    : SheetDialog(QStringLiteral("renameKeyDialog"), tr("Rename Key"), std::move(onCancel), parent)
    , keyInfo_(std::move(keyInfo))
    , onSave_(std::move(onSave))
    , nameField_(new QLineEdit)
    , saveButton_(new QPushButton(tr("&Save"))) {
    nameField_->setObjectName(QStringLiteral("displayNameField"));
    nameField_->setPlaceholderText(tr("e.g. prod-deploy"));
    nameField_->setText(QString::fromStdString(keyInfo_.name));
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    auto* cancel = new QPushButton(tr("&Cancel"));

    auto* layout = DialogKit::sheetLayout(this, width);
    layout->addLayout(DialogKit::keyHeading(windowTitle(), keyInfo_.path));
    layout->addWidget(DialogKit::field(tr("DISPLAY NAME"), nameField_));
    layout->addLayout(DialogKit::buttonRow(cancel, saveButton_));

    auto update = [this] { saveButton_->setEnabled(trimmedName().has_value()); };
    connect(nameField_, &QLineEdit::textChanged, this, update);
    connect(cancel, &QPushButton::clicked, this, &KeyDialog::reject);
    connect(saveButton_, &QPushButton::clicked, this, &KeyDialog::save);
    update();
}

void KeyDialog::showEvent(QShowEvent* event) {
    SheetDialog::showEvent(event);
    nameField_->setFocus(Qt::OtherFocusReason);
    nameField_->selectAll();
}

std::optional<std::string> KeyDialog::trimmedName() const {
    std::string name = InputRules::trimWhitespaceAndNewlines(nameField_->text().toStdString());
    if (name.empty())
        return std::nullopt;
    return name;
}

void KeyDialog::save() {
    auto name = trimmedName();
    if (!name)
        return;
    SSHKey renamed = keyInfo_;
    renamed.name = *name;
    onSave_(renamed);
}

} // namespace moorkeep
