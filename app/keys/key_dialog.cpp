#include "keys/key_dialog.h"

#include "keys/dialog_parts.h"
#include "model/input_rules.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

KeyDialog::KeyDialog(SSHKey keyInfo, std::function<void(const SSHKey&)> onSave,
                     std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent)
    , keyInfo_(std::move(keyInfo))
    , onSave_(std::move(onSave))
    , onCancel_(std::move(onCancel))
    , nameField_(new QLineEdit)
    , saveButton_(new QPushButton(tr("Save"))) {
    setObjectName(QStringLiteral("renameKeyDialog"));
    setWindowTitle(tr("Rename Key"));
    setAccessibleName(tr("Rename Key"));

    nameField_->setObjectName(QStringLiteral("displayNameField"));
    nameField_->setPlaceholderText(tr("e.g. prod-deploy"));
    nameField_->setText(QString::fromStdString(keyInfo_.name));
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    auto* cancel = new QPushButton(tr("Cancel"));

    auto* layout = DialogParts::sheetLayout(this, width);
    auto* heading = new QVBoxLayout;
    heading->setSpacing(4);
    heading->addWidget(DialogParts::title(tr("Rename Key")));
    heading->addWidget(DialogParts::pathLine(QString::fromStdString(keyInfo_.path)));
    layout->addLayout(heading);
    layout->addWidget(DialogParts::field(tr("DISPLAY NAME"), nameField_));
    layout->addLayout(DialogParts::buttonRow(cancel, saveButton_));

    auto update = [this] { saveButton_->setEnabled(trimmedName().has_value()); };
    connect(nameField_, &QLineEdit::textChanged, this, update);
    connect(cancel, &QPushButton::clicked, this, &KeyDialog::reject);
    connect(saveButton_, &QPushButton::clicked, this, &KeyDialog::save);
    update();
}

void KeyDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
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

void KeyDialog::reject() {
    onCancel_();
}

void KeyDialog::dismiss() {
    QDialog::done(QDialog::Rejected);
}

} // namespace moorkeep
