#include "keys/passphrase_dialog.h"

#include "keys/dialog_parts.h"
#include "keys/secret_field.h"

#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace moorkeep {

PassphraseDialog::PassphraseDialog(SSHKey keyInfo, OnSave onSave, std::function<void()> onCancel,
                                   QWidget* parent)
    : QDialog(parent)
    , keyInfo_(std::move(keyInfo))
    , onSave_(std::move(onSave))
    , onCancel_(std::move(onCancel))
    , newField_(new SecretField)
    , confirmField_(new SecretField)
    , mismatch_(DialogParts::problem(tr("Passphrases do not match")))
    , failure_(new FailureBox)
    , cancelButton_(new QPushButton(tr("Cancel")))
    , saveButton_(new QPushButton) {
    setObjectName(QStringLiteral("passphraseDialog"));
    const QString title = isProtected() ? tr("Change Passphrase") : tr("Set Passphrase");
    setWindowTitle(title);
    setAccessibleName(title);

    newField_->setObjectName(QStringLiteral("newPassphraseField"));
    if (isProtected())
        newField_->setPlaceholderText(tr("leave empty to remove"));
    confirmField_->setObjectName(QStringLiteral("confirmPassphraseField"));
    mismatch_->setObjectName(QStringLiteral("mismatchLabel"));
    saveButton_->setObjectName(QStringLiteral("saveButton"));

    auto* layout = DialogParts::sheetLayout(this, width);
    auto* heading = new QVBoxLayout;
    heading->setSpacing(4);
    heading->addWidget(DialogParts::title(title));
    heading->addWidget(DialogParts::pathLine(QString::fromStdString(keyInfo_.path)));
    layout->addLayout(heading);
    auto* fields = DialogParts::fieldGroup();
    if (isProtected()) {
        currentField_ = new SecretField;
        currentField_->setObjectName(QStringLiteral("currentPassphraseField"));
        fields->addWidget(DialogParts::field(tr("CURRENT PASSPHRASE"), currentField_));
    }
    fields->addWidget(DialogParts::field(tr("NEW PASSPHRASE"), newField_));
    fields->addWidget(DialogParts::field(tr("CONFIRM NEW PASSPHRASE"), confirmField_, mismatch_));
    layout->addLayout(fields);
    layout->addWidget(failure_);
    layout->addLayout(DialogParts::buttonRow(cancelButton_, saveButton_));
    // Return belongs to the fields: a default button would remove the
    // passphrase with the keystroke that ends the current one.
    saveButton_->setDefault(false);

    for (SecretField* field : {currentField_, newField_, confirmField_})
        if (field)
            connect(field, &QLineEdit::returnPressed, this,
                    [this, field] { returnPressed(field); });
    connect(newField_, &QLineEdit::textChanged, this, &PassphraseDialog::update);
    connect(confirmField_, &QLineEdit::textChanged, this, &PassphraseDialog::update);
    connect(cancelButton_, &QPushButton::clicked, this, &PassphraseDialog::reject);
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        if (isRemoving())
            confirmRemoval();
        else
            save();
    });
    update();
}

PassphraseDialog::~PassphraseDialog() {
    wipe();
}

void PassphraseDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    (currentField_ ? currentField_ : newField_)->setFocus(Qt::OtherFocusReason);
}

bool PassphraseDialog::isProtected() const {
    return keyInfo_.hasPassphrase.value_or(false);
}

bool PassphraseDialog::isRemoving() const {
    return isProtected() && newField_->text().isEmpty();
}

// Canonically equivalent entries (an accent typed as one character or as a
// letter and a combining mark) count as the same passphrase.
bool PassphraseDialog::isMismatch() const {
    return !confirmField_->text().isEmpty() && !entriesAgree();
}

bool PassphraseDialog::entriesAgree() const {
    QString typed = newField_->text().normalized(QString::NormalizationForm_C);
    QString confirmed = confirmField_->text().normalized(QString::NormalizationForm_C);
    const bool agree = typed == confirmed;
    wipeSecret(typed);
    wipeSecret(confirmed);
    return agree;
}

void PassphraseDialog::update() {
    const bool mismatch = isMismatch();
    mismatch_->setVisible(mismatch);
    cancelButton_->setEnabled(!saving_);
    const bool removing = isRemoving();
    DialogParts::setDestructive(saveButton_, removing);
    saveButton_->setText(saving_         ? tr("Saving…")
                         : removing      ? tr("Remove Passphrase")
                         : isProtected() ? tr("Change Passphrase")
                                         : tr("Set Passphrase"));
    // A new passphrase counts once it was typed twice alike; removing needs
    // both new fields empty.
    saveButton_->setEnabled(!saving_ && entriesAgree() &&
                            (isProtected() || !newField_->text().isEmpty()));
}

void PassphraseDialog::returnPressed(SecretField* field) {
    if (field == currentField_)
        newField_->setFocus(Qt::TabFocusReason);
    else if (field == newField_)
        confirmField_->setFocus(Qt::TabFocusReason);
    else if (!isRemoving())
        save();
}

void PassphraseDialog::confirmRemoval() {
    if (!saveButton_->isEnabled() || removeAlert_)
        return;
    removeAlert_ = new QMessageBox(this);
    removeAlert_->setObjectName(QStringLiteral("removePassphraseAlert"));
    removeAlert_->setIcon(QMessageBox::Warning);
    removeAlert_->setTextFormat(Qt::PlainText);
    const QString question =
        tr("Remove the passphrase of %1?").arg(QString::fromStdString(keyInfo_.path));
    removeAlert_->setWindowTitle(tr("Remove Passphrase"));
    removeAlert_->setText(question);
    removeAlert_->setInformativeText(
        tr("The key will no longer be protected: anyone who gets the file can use this key."));
    auto* cancel = removeAlert_->addButton(tr("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("alertCancelButton"));
    auto* remove = removeAlert_->addButton(tr("Remove Passphrase"), QMessageBox::DestructiveRole);
    remove->setObjectName(QStringLiteral("alertRemoveButton"));
    DialogParts::setDestructive(remove, true);
    removeAlert_->setDefaultButton(cancel);
    removeAlert_->setEscapeButton(cancel);
    removeAlert_->setAttribute(Qt::WA_DeleteOnClose);
    connect(removeAlert_, &QMessageBox::finished, this, [this, remove] {
        const bool confirmed = removeAlert_->clickedButton() == remove;
        removeAlert_ = nullptr;
        if (confirmed)
            save();
    });
    removeAlert_->open();
}

void PassphraseDialog::save() {
    if (!saveButton_->isEnabled())
        return;
    ChangePassphraseOptions options;
    options.keyId = keyInfo_.id;
    if (currentField_)
        options.oldPassphrase = currentField_->secretUtf8();
    options.newPassphrase = newField_->secretUtf8();

    saving_ = true;
    failure_->setMessage(std::nullopt);
    update();
    // The callback takes its own copy of the request at once.
    QFuture<void> done = onSave_(options);
    wipeSecret(options.oldPassphrase);
    wipeSecret(options.newPassphrase);
    DialogParts::awaitFailure(done, this,
                              [this](const std::optional<QString>& message) { failed(message); });
}

void PassphraseDialog::failed(const std::optional<QString>& message) {
    saving_ = false;
    failure_->setMessage(message);
    update();
}

void PassphraseDialog::reject() {
    if (saving_)
        return;
    onCancel_();
}

void PassphraseDialog::dismiss() {
    if (removeAlert_)
        removeAlert_->close();
    wipe();
    QDialog::done(QDialog::Rejected);
}

void PassphraseDialog::wipe() {
    if (currentField_)
        currentField_->wipe();
    newField_->wipe();
    confirmField_->wipe();
}

} // namespace moorkeep
